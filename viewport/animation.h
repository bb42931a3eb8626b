// A moving model's frames in sequences named by their frames' names, and the clock that plays one in a loop.
// Platform-free: the frame loop hands in the time, and the viewport hands the pose to the plugin.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A run of consecutive frames whose names share a stem ("run1" .. "run6": "run").
struct FrameSequence {
    std::string name;
    int32_t first;
    int32_t count;
};

// The frames a second of the games that made the format, and so of playing.
constexpr double ANIMATION_FRAMES_PER_SECOND = 10.0;

// The text the sequence list opens with: every frame of the model, in order.
extern const char *const ALL_FRAMES_SEQUENCE;

// A frame's name without the number that closes it ("crpain4" -> "crpain", "pain301" -> "pain") and without the
// separators left before it ("run_01" -> "run"). A name that is only a number has an empty stem.
std::string frameNameStem(const std::string &name);

// "All frames" first (every frame), then every run of consecutive frames with the same non-empty stem, in the
// frames' order. `names` may be shorter than the frames (missing names count as empty). None for fewer than two
// frames.
std::vector<FrameSequence> frameSequences(int32_t frameCount, const std::vector<std::string> &names);

struct Animation {
    int32_t frameCount = 0;               // of the loaded model; below 2 nothing plays
    std::vector<FrameSequence> sequences; // as frameSequences made them
    size_t sequence = 0;                  // the one chosen
    bool playing = false;
    double frame = 0.0;                   // the pose on show, in frames of the model (2.5: half way from 2 to 3)
    int64_t lastMicros = 0;               // when frame last moved on while playing
    float shown = 0.0f;                   // the pose the plugin was last told to draw (0 after a load)
};

extern Animation animation;

// A model was loaded (or none is): frame 0 of "All frames", paused.
void resetAnimation(Animation &a, int32_t frameCount, const std::vector<std::string> &names);

// Whether the model has frames to play.
bool animationAvailable(const Animation &a);

// Play or pause, from where the pose is; `now` in microseconds of a steady clock.
void playAnimation(Animation &a, bool play, int64_t now);

// Another sequence: its first frame is shown. An index past the list is ignored.
void chooseAnimationSequence(Animation &a, size_t index);

// A frame of the chosen sequence chosen by hand (the trackbar), kept within the sequence; playing goes on from it.
void setAnimationFrame(Animation &a, int32_t frame, int64_t now);

// While playing: the pose moves on by the time since the last call at ANIMATION_FRAMES_PER_SECOND, looping within
// the sequence; the last frame is held for its tenth of a second before the first comes again. Returns the pose to
// draw (the frame to hand to the plugin).
float advanceAnimation(Animation &a, int64_t now);

// The sequence chosen, or null when there is none.
const FrameSequence *chosenSequence(const Animation &a);
