#include "core/plan/NameStore.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

using filvane::NameStore;

// Views handed out stay what they were while the store grows past many blocks, is moved, and
// takes over another store; texts longer than a block and empty texts are kept too.
TEST(NameStore, ViewsOutliveGrowthMovesAndAbsorbing) {
    NameStore store;
    std::vector<std::string_view> views;
    std::vector<std::string> texts;
    for (int i = 0; i < 20000; ++i) {
        texts.push_back("track " + std::to_string(i) + ".mp3");
        views.push_back(store.add(texts.back()));
    }
    const std::string huge(200 * 1024, 'h');
    const std::string_view hugeView = store.add(huge);
    const std::string_view pieces[] = {"07", " - ", "", "Intro", ".mp3"};
    const std::string_view joined = store.join(pieces);
    EXPECT_TRUE(store.add("").empty());

    NameStore other;
    const std::string_view fromOther = other.add("other.mp3");
    NameStore moved = std::move(store);
    moved.absorb(std::move(other));
    moved.add("after absorbing");

    for (size_t i = 0; i < texts.size(); ++i)
        ASSERT_EQ(views[i], texts[i]);
    EXPECT_EQ(hugeView, huge);
    EXPECT_EQ(joined, "07 - Intro.mp3");
    EXPECT_EQ(fromOther, "other.mp3");
}
