#pragma once

#include <QString>
#include <QTextBoundaryFinder>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace velmora::testing {

/// The lines follow one another without a gap or an overlap, cover all of `text`, and none
/// starts inside a grapheme cluster.
inline void expectLinesTileTextAtClusterBoundaries(const std::vector<std::pair<int, int>>& lines,
                                                   const QString& text) {
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    int expectedStart = 0;
    for (const auto& [start, length] : lines) {
        EXPECT_EQ(start, expectedStart);
        graphemes.setPosition(start);
        EXPECT_TRUE(graphemes.isAtBoundary()) << "line starts inside a cluster at " << start;
        expectedStart = start + length;
    }
    EXPECT_EQ(expectedStart, text.size());
}

} // namespace velmora::testing
