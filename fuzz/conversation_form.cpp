// A conversation form as a message carries it: read, seeded with its prefilled answers, drawn,
// and checked by the form contract as a submission would be. Nothing here may throw.
#include "fuzz_support.hpp"
#include "velmora/decoding_error.hpp"
#include "velmora/ui/conversation_form_json.hpp"
#include "views/conversation_form_model.hpp"
#include "widget_fixture.hpp"

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto json = fuzz::json(fuzz::asText(data, size));
    if (!json) {
        return 0;
    }
    const auto form = conversationFormFromJSON(*json);
    if (!form) {
        return 0;
    }
    const auto& experience = fuzz::defaultExperience();
    auto answers = detail::seedAnswers(*form);
    for (const bool validationFailed : {false, true}) {
        (void)detail::conversationFormModel(*form, answers, validationFailed, false,
                                            experience.copy, experience.appearance, {});
    }
    (void)detail::requiredValuesPresent(*form, answers);
    (void)detail::formSubmissionValues(*form, answers);
    for (const auto& field : form->fields) {
        (void)detail::filteredOptions(field.options, field.name);
        if (!field.options.empty()) {
            answers.selectedValues[field.id].insert(field.options.back());
        }
        answers.values[field.id] = field.name;
    }
    (void)detail::contractValues(*form, answers);
    (void)detail::formSubmissionValues(*form, answers);
    return 0;
}
