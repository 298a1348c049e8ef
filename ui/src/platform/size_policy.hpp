#pragma once

#include <QSizePolicy>

namespace velmora::detail {

/// A policy whose height follows the width given (wrapped text, rows, buttons).
inline QSizePolicy heightForWidthPolicy(QSizePolicy::Policy horizontal,
                                        QSizePolicy::Policy vertical = QSizePolicy::Preferred) {
    QSizePolicy policy(horizontal, vertical);
    policy.setHeightForWidth(true);
    return policy;
}

} // namespace velmora::detail
