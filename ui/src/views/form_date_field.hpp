#pragma once

#include "platform/redraw_scheduler.hpp"
// moc cannot parse the standard library headers the calendar types bring in.
#ifndef Q_MOC_RUN
#include "views/form_date_field_model.hpp"
#endif

#include <QColor>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>

class QVBoxLayout;

namespace velmora::detail {

/// The editor of a form's date field: a month calendar paged with two chevrons, a Monday-first
/// grid of days and, under it, the field's text as it stands. A click on a day of the shown
/// month writes its ISO date through `onValueChanged` (also when it is already the chosen one).
/// The month it opens on is the value's, else today's; later values do not move it.
class VelmoraFormDateFieldView final : public QWidget {
    Q_OBJECT

public:
    VelmoraFormDateFieldView(std::string fieldId, std::string value, std::string locale,
                             const QColor& textColor, double textScale, QWidget* parent = nullptr);

    /// The field's text as the form holds it now (a day click, or the form itself).
    void setValue(std::string value);
    const std::string& value() const noexcept { return value_; }
    const TavrinDateValue& visibleMonth() const noexcept { return visibleMonth_; }
    void moveMonth(std::int64_t count);
    /// Shows the month of `month` (kept from an earlier editor of the same field).
    void showMonth(const TavrinDateValue& month);
    const FormDateFieldModel& model() const noexcept { return model_; }

    std::function<void(const std::string&)> onValueChanged;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

private:
    void rebuild();

    std::string fieldId_;
    std::string value_;
    std::string locale_;
    QColor textColor_;
    double textScale_;
    TavrinDateValue visibleMonth_;
    FormDateFieldModel model_;
    QWidget* content_ = nullptr;
    QVBoxLayout* layout_ = nullptr;
    RedrawScheduler redraw_;
};

} // namespace velmora::detail
