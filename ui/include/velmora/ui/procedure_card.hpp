#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The procedure records the transcript shows and hands back to the controller's procedure
// operations. They are plain values, rebuilt from every conversation snapshot.

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

/// The current step of a procedure run, shown as a card.
struct VelmoraProcedureCard {
    std::string procedureId;
    std::string runId;
    /// The run's update stamp; an action sends it back as the update it expects.
    std::string runUpdatedAt;
    std::optional<std::string> locale;
    std::optional<std::string> stepId;
    std::optional<std::string> parameterId;
    /// The step asks for a date.
    bool calendarMode = false;
    std::optional<VelmoraProcedureDateAvailability> dateAvailability;
    /// Set when the step is a commerce step shown with the widget's own controls.
    std::optional<std::string> commerceProvider;

    friend bool operator==(const VelmoraProcedureCard&, const VelmoraProcedureCard&) = default;
};

/// A procedure the transcript offers to start.
struct VelmoraProcedureQuickAction {
    std::string procedureId;
    std::string title;

    friend bool operator==(const VelmoraProcedureQuickAction&,
                           const VelmoraProcedureQuickAction&) = default;
};

} // namespace velmora
