#pragma once

#include <QAbstractButton>
#include <QWidget>

#include <functional>
#include <set>
#include <string>
#include <vector>

class QLineEdit;

namespace velmora::detail {

/// One option of a multi-select: a check box symbol and the option's text, wrapped, at least
/// 44 points high. Checked while the option is chosen.
class FormOptionRow final : public QAbstractButton {
    Q_OBJECT

public:
    FormOptionRow(const QString& text, QWidget* parent = nullptr);
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

/// The editor of a "multi_select" field: one row per option, clicked on and off, with a search
/// field above them from 11 options on. Searching only hides rows; it never changes what is
/// chosen.
class VelmoraFormMultiSelectView final : public QWidget {
    Q_OBJECT

public:
    VelmoraFormMultiSelectView(std::vector<std::string> options, const std::string& fieldName,
                               const std::string& locale, std::set<std::string> selection,
                               QWidget* parent = nullptr);

    /// The chosen options as the form holds them now.
    void setSelection(std::set<std::string> selection);
    const std::set<std::string>& selection() const noexcept { return selection_; }
    /// Null with 10 options or fewer.
    QLineEdit* searchField() const noexcept { return search_; }
    /// The rows, one per distinct option text, in option order.
    const std::vector<FormOptionRow*>& rows() const noexcept { return rows_; }

    /// The whole new set after a click.
    std::function<void(const std::set<std::string>&)> onSelectionChanged;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

private:
    void applyFilter();
    void applySelection();

    std::vector<std::string> options_;
    std::set<std::string> selection_;
    QLineEdit* search_ = nullptr;
    std::vector<std::string> rowOptions_;
    std::vector<FormOptionRow*> rows_;
};

} // namespace velmora::detail
