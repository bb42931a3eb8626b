// Tests of a moving model's sequences (stems of the frames' names) and of the clock that plays one in a loop.
#include <gtest/gtest.h>

#include "viewport/animation.h"

namespace {

TEST(FrameSequences, StemsDropTheClosingNumberAndItsSeparators)
{
    const struct {
        const char *name, *stem;
    } cases[] = {{"stand01", "stand"}, {"crpain4", "crpain"}, {"pain301", "pain"}, {"run_01", "run"},
                 {"death", "death"},   {"001", ""},           {"", ""},           {"a2b3", "a2b"}};
    for (const auto &c : cases)
        EXPECT_EQ(c.stem, frameNameStem(c.name)) << c.name;
}

TEST(FrameSequences, AllFramesFirstThenEachRunOfOneStemAndNamelessFramesInNone)
{
    const std::vector<std::string> names = {"stand01", "stand02", "run1", "run2", "run3", "pain101", "pain201", "",
                                            "x1"};
    const std::vector<FrameSequence> s = frameSequences(10, names); // frame 9 has no name
    ASSERT_EQ(5u, s.size());
    const struct {
        const char *name;
        int32_t first, count;
    } expected[] = {{"All frames", 0, 10}, {"stand", 0, 2}, {"run", 2, 3}, {"pain", 5, 2}, {"x", 8, 1}};
    for (size_t i = 0; i < s.size(); ++i) {
        EXPECT_EQ(expected[i].name, s[i].name);
        EXPECT_EQ(expected[i].first, s[i].first);
        EXPECT_EQ(expected[i].count, s[i].count);
    }
    EXPECT_TRUE(frameSequences(1, {"stand01"}).empty());
    EXPECT_EQ(1u, frameSequences(3, {}).size());
}

TEST(AnimationClock, PlaysTheSequenceInALoopAtTenFramesASecondHoldingItsLastFrame)
{
    Animation a;
    resetAnimation(a, 10, {"stand01", "stand02", "run1", "run2", "run3"});
    EXPECT_EQ(0.0f, advanceAnimation(a, 0));
    chooseAnimationSequence(a, 2); // run: frames 2 to 4
    playAnimation(a, true, 1000000);
    const struct {
        int64_t now;
        float pose;
    } steps[] = {{1000000, 2.0f}, {1150000, 3.5f}, {1200000, 4.0f}, {1290000, 4.0f}, {1350000, 2.5f}};
    for (const auto &step : steps)
        EXPECT_FLOAT_EQ(step.pose, advanceAnimation(a, step.now)) << step.now;
    playAnimation(a, false, 1350000);
    EXPECT_FLOAT_EQ(2.5f, advanceAnimation(a, 9000000)); // paused: still
    setAnimationFrame(a, 9, 9000000);
    EXPECT_FLOAT_EQ(4.0f, advanceAnimation(a, 9000000)); // the trackbar stays within the sequence
    setAnimationFrame(a, 0, 9000000);
    EXPECT_FLOAT_EQ(2.0f, advanceAnimation(a, 9000000));

    resetAnimation(a, 1, {"base"});
    playAnimation(a, true, 0);
    EXPECT_FALSE(a.playing || animationAvailable(a)); // a still model does not play
}

} // namespace
