#pragma once

#include "velmora/json_value.hpp"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// The procedure records the transcript shows and hands back to the controller's procedure
// operations. They are plain values, rebuilt from every conversation snapshot by the readers at
// the end of this header.
//
// Reading rules shared by the readers: a missing required member, a member of the wrong JSON
// kind or a value outside its set or pattern refuses the value; a refused element of a list is
// dropped and the others keep their order; unknown members are ignored; texts are kept as sent.
// A whole number is a JSON number without fraction inside the signed 64-bit range (3.0 is 3;
// 3.5, "3" and 2^63 are not). Texts are resolved once, while reading: a localized text sent by
// the service wins, even when empty; otherwise a key is looked up in the procedure text
// catalogue (`WidgetProcedureLocaleCatalog::message`) without parameters. No reader throws.

namespace velmora {

/// The available dates of one month of a calendar step.
struct VelmoraProcedureDateAvailability {
    std::string month; ///< "yyyy-MM"
    std::string startDate;
    std::string endDate;
    std::string earliestDate;
    std::vector<std::string> availableDates; ///< "yyyy-MM-dd" each
    std::string timeZone;                    ///< the zone the dates are in, e.g. "Europe/Berlin"
    std::int64_t procedureRevision = 0;
    std::int64_t bindingSetRevision = 0;

    friend bool operator==(const VelmoraProcedureDateAvailability&,
                           const VelmoraProcedureDateAvailability&) = default;
};

/// One labelled value of a displayed record.
struct VelmoraProcedureDisplayField {
    std::string id;
    std::string label;
    std::string value;
    std::string state;  ///< "available" or "unavailable"
    std::string format; ///< "plain_text", "number", "boolean", "money", "date" or "status"

    friend bool operator==(const VelmoraProcedureDisplayField&,
                           const VelmoraProcedureDisplayField&) = default;
};

/// A record the service presents with a confirmation detail.
struct VelmoraProcedureDisplayRecord {
    std::string id;
    std::string title;
    std::optional<std::string> subtitle;
    std::vector<VelmoraProcedureDisplayField> fields;

    friend bool operator==(const VelmoraProcedureDisplayRecord&,
                           const VelmoraProcedureDisplayRecord&) = default;
};

/// Records shown as a list or as one record in detail.
struct VelmoraProcedureDisplayPresentation {
    std::string kind; ///< "record_list" or "record_detail"
    std::vector<VelmoraProcedureDisplayRecord> records;
    std::string completeness; ///< "complete", "partial" or "unavailable"

    friend bool operator==(const VelmoraProcedureDisplayPresentation&,
                           const VelmoraProcedureDisplayPresentation&) = default;
};

/// What the user is about to confirm: a labelled value, optionally with records.
struct VelmoraProcedureConfirmationDetail {
    std::string labelKey;
    /// The label to show; absent when neither the service nor the catalogue has one.
    std::optional<std::string> localizedLabel;
    std::string value;
    std::optional<std::string> valueLabelKey;
    /// Shown in place of `value` when present and not empty.
    std::optional<std::string> localizedValueLabel;
    std::optional<VelmoraProcedureDisplayPresentation> presentation;

    const std::string& id() const noexcept { return labelKey; }

    friend bool operator==(const VelmoraProcedureConfirmationDetail&,
                           const VelmoraProcedureConfirmationDetail&) = default;
};

/// The current step of a procedure run, shown as a card.
struct VelmoraProcedureCard {
    /// One answer of a choice step.
    struct Choice {
        std::string value; ///< what is sent back; may be empty
        std::string label; ///< never empty
        const std::string& id() const noexcept { return value; }
        friend bool operator==(const Choice&, const Choice&) = default;
    };

    std::string procedureId;
    std::optional<std::int64_t> procedureRevision;
    std::string runId;
    /// The run's update stamp; an action sends it back as the update it expects.
    std::string runUpdatedAt;
    /// The locale as sent; texts were looked up in it, or in "en" when it is absent.
    std::optional<std::string> locale;
    std::string phase = "unknown";
    std::string title;
    std::string prompt;
    std::optional<std::string> stepId;
    std::optional<std::string> parameterId;
    std::optional<std::string> parameterType;
    std::optional<std::string> choiceMode;
    /// The step asks for a date.
    bool calendarMode = false;
    /// `dateAvailability` answers an availability request.
    bool calendarAvailabilityLoaded = false;
    std::optional<std::string> backStepId;
    std::optional<VelmoraProcedureDateAvailability> dateAvailability;
    std::vector<Choice> choices;
    std::map<std::string, std::string> summary;
    std::vector<VelmoraProcedureConfirmationDetail> confirmationDetails;
    std::optional<std::string> proposalId;
    /// Set when the step is a commerce step shown with the widget's own controls.
    std::optional<std::string> commerceProvider;
    /// An "https" address with a host and without credentials.
    std::optional<std::string> hostedCheckoutURL;
    std::optional<std::string> receiptReference;
    std::optional<std::string> quoteTotal;
    std::optional<std::string> paymentStatus;
    std::optional<std::string> statusCode;
    std::optional<std::string> confirmLabelKey;
    std::optional<std::string> declineLabelKey;
    std::optional<std::string> submitLabelKey;

    friend bool operator==(const VelmoraProcedureCard&, const VelmoraProcedureCard&) = default;
};

/// A procedure the transcript offers to start.
struct VelmoraProcedureQuickAction {
    std::string procedureId;
    /// May be empty; the transcript leaves such actions out.
    std::string title;

    const std::string& id() const noexcept { return procedureId; }

    friend bool operator==(const VelmoraProcedureQuickAction&,
                           const VelmoraProcedureQuickAction&) = default;
};

/// "month" ("yyyy-MM"), "startDate", "endDate", "earliestDate", "timeZone" (texts),
/// "availableDates" (texts, each "yyyy-MM-dd"; one that is not refuses the whole), and the whole
/// numbers "procedureRevision" and "bindingSetRevision", all required.
std::optional<VelmoraProcedureDateAvailability>
procedureDateAvailabilityFromJSON(const JSONValue& json);

/// Non-empty "id" and "label", "value", "state" and "format" from their sets.
std::optional<VelmoraProcedureDisplayField> procedureDisplayFieldFromJSON(const JSONValue& json);

/// Non-empty "id" and "title", the array "fields" (refused fields dropped), optional "subtitle".
std::optional<VelmoraProcedureDisplayRecord> procedureDisplayRecordFromJSON(const JSONValue& json);

/// "kind" and "completeness" from their sets and the array "records" (refused ones dropped).
std::optional<VelmoraProcedureDisplayPresentation>
procedureDisplayPresentationFromJSON(const JSONValue& json);

/// "labelKey" and "value" required; labels from "localizedLabel" / "localizedValueLabel", else
/// from the catalogue in `locale` with `procedureRevision`. A refused "presentation" leaves the
/// detail without one.
std::optional<VelmoraProcedureConfirmationDetail>
procedureConfirmationDetailFromJSON(const JSONValue& json, const std::string& locale,
                                    std::optional<std::int64_t> procedureRevision);

/// "procedureId" (a lower-case ASCII letter, then at most 127 ASCII letters, digits, "_", "." or
/// "-"); the title from "localizedTitle", else "titleKey" through the catalogue, else empty.
std::optional<VelmoraProcedureQuickAction> procedureQuickActionFromJSON(const JSONValue& json,
                                                                        const std::string& locale);

/// The card of the snapshot's `procedureAction`: nothing unless it is an object with non-empty
/// "procedureId" and "runId" texts; every other member falls back on its own when missing or
/// malformed. Texts are looked up in the card's "locale", or "en" when it has none.
std::optional<VelmoraProcedureCard> procedureCardFromJSON(const JSONValue& json);

} // namespace velmora
