#pragma once

#include <QColor>
#include <QWidget>

#include <string>
#include <vector>

namespace velmora::detail {

/// The row of short weekday names over a Monday-first month grid, one equal column per name.
/// The row carries `identifier`; name i carries "<identifier>.<i>" and is announced as itself.
class TavrinWeekdayHeader final : public QWidget {
    Q_OBJECT

public:
    TavrinWeekdayHeader(const std::string& locale, const std::string& identifier,
                        const QColor& color, double textScale, QWidget* parent = nullptr);

    /// The names shown, in order.
    const std::vector<std::string>& symbols() const noexcept { return symbols_; }

private:
    std::vector<std::string> symbols_;
};

} // namespace velmora::detail
