#pragma once

#include "platform/color.hpp"
#include "platform/font_spec.hpp"
#include "velmora/json_value.hpp"
#include "velmora/procedure_models.hpp"
#include "velmora/ui/platform_settings.hpp"
#include "velmora/widget_appearance.hpp"
#include "velmora/widget_copy.hpp"
#include "views/button_style_model.hpp"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::detail {

/// The editor a field gets, by its type compared exactly: every type other than the four
/// named ones is edited as free text.
enum class FormEditorKind { toggle, select, multiSelect, date, text };
FormEditorKind formEditorKind(std::string_view type);

/// What the visitor has answered so far, keyed by field id (two fields with one id share an
/// answer). Texts are kept exactly as entered; multi-select fields keep their chosen options.
struct ConversationFormAnswers {
    std::map<std::string, std::string> values;
    std::map<std::string, std::set<std::string>> selectedValues;
    friend bool operator==(const ConversationFormAnswers&,
                           const ConversationFormAnswers&) = default;
};

/// The text a prefilled value starts as: a string unchanged, a number in its shortest
/// round-trip form with a fraction or exponent ("2.0"), a boolean "true"/"false", anything
/// else (or nothing) empty.
std::string prefilledText(const std::optional<JSONValue>& value);

/// The answers a form starts with, from its fields' prefilled values.
ConversationFormAnswers seedAnswers(const VelmoraConversationForm& form);

/// A whole text read as a decimal or hexadecimal floating-point number ("12", "-3.5", "1e3", "+4",
/// "inf"); nothing when any of the text is left over.
std::optional<double> readNumber(std::string_view text);

/// Every field's answer as the JSON value the form contract checks, visible or not: numbers
/// read from their trimmed text (empty is null, unreadable text stays a string), booleans from
/// "true"/"false" (else null), multi-selects as the chosen options in option order, and every
/// other type as its trimmed text.
JSONValue::Object contractValues(const VelmoraConversationForm& form,
                                 const ConversationFormAnswers& answers);

/// Every visible required field holds something (it does not check the values' types).
bool requiredValuesPresent(const VelmoraConversationForm& form,
                           const ConversationFormAnswers& answers);

/// What a submission sends, or nothing when the form contract refuses the answers.
std::optional<JSONValue::Object> formSubmissionValues(const VelmoraConversationForm& form,
                                                      const ConversationFormAnswers& answers);

enum class FormStatusDisplay { pending, submitted, expired };

/// One visible field's editor.
struct FormFieldModel {
    VelmoraConversationFormField field;
    FormEditorKind kind = FormEditorKind::text;
    /// The label above select and text editors: the name, " *" when required.
    std::string label;
    std::string accessibleName;
    /// "velmora.widget.form.field.<id>" (select and text editors).
    std::string identifier;
    friend bool operator==(const FormFieldModel&, const FormFieldModel&) = default;
};

/// Everything the form view draws.
struct ConversationFormModel {
    bool dark = false;
    /// Empty: no title.
    std::string title;
    FormStatusDisplay status = FormStatusDisplay::pending;
    /// The visible fields, in form order (pending forms only).
    std::vector<FormFieldModel> fields;
    /// Shown after a refused submission.
    std::optional<std::string> validationMessage;
    /// An action runs: the progress label takes the submit button's place.
    bool busy = false;
    std::string workingText;
    std::string submitLabel;
    bool submitEnabled = false;
    /// The submitted or expired note.
    std::string statusText;
    std::string statusIdentifier;

    VelmoraFontSpec font;
    VelmoraFontSpec titleFont;
    VelmoraFontSpec labelFont;
    double labelLineSpacing = 0;
    VelmoraColor text;
    VelmoraColor mutedText;
    VelmoraColor background;
    VelmoraColor border;
    SecondaryButtonStyle submitStyle;
};

ConversationFormModel conversationFormModel(const VelmoraConversationForm& form,
                                            const ConversationFormAnswers& answers,
                                            bool validationFailed, bool actionInFlight,
                                            const VelmoraWidgetCopy& copy,
                                            const VelmoraWidgetAppearance& appearance,
                                            const VelmoraPlatformSettingsValues& platform);

/// A multi-select shows a search field from this many options on.
inline constexpr std::size_t optionSearchThreshold = 11;

/// The options a multi-select lists for `query`: all when the trimmed query is empty, else
/// those containing it, ignoring case, in their order.
std::vector<std::string> filteredOptions(const std::vector<std::string>& options,
                                         std::string_view query);

/// The search field's title: the locale's "help.search" text, else the field's name.
std::string optionSearchTitle(std::string_view locale, const std::string& fieldName);

} // namespace velmora::detail
