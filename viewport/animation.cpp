// Sequences by frame-name stems and the playing clock.
#include "viewport/animation.h"

#include <cmath>

const char *const ALL_FRAMES_SEQUENCE = "All frames";

Animation animation;

std::string frameNameStem(const std::string &name)
{
    size_t end = name.size();
    while (end > 0 && name[end - 1] >= '0' && name[end - 1] <= '9')
        --end;
    while (end > 0 && (name[end - 1] == '_' || name[end - 1] == '-' || name[end - 1] == ' ' || name[end - 1] == '.'))
        --end;
    return name.substr(0, end);
}

std::vector<FrameSequence> frameSequences(int32_t frameCount, const std::vector<std::string> &names)
{
    std::vector<FrameSequence> sequences;
    if (frameCount < 2)
        return sequences;
    sequences.push_back({ALL_FRAMES_SEQUENCE, 0, frameCount});
    for (int32_t f = 0; f < frameCount;) {
        const std::string stem = size_t(f) < names.size() ? frameNameStem(names[size_t(f)]) : std::string();
        int32_t end = f + 1;
        while (end < frameCount && size_t(end) < names.size() && frameNameStem(names[size_t(end)]) == stem)
            ++end;
        if (!stem.empty())
            sequences.push_back({stem, f, end - f});
        f = end;
    }
    return sequences;
}

void resetAnimation(Animation &a, int32_t frameCount, const std::vector<std::string> &names)
{
    a = Animation();
    a.frameCount = frameCount > 1 ? frameCount : 0;
    a.sequences = frameSequences(frameCount, names);
}

bool animationAvailable(const Animation &a)
{
    return a.frameCount > 1 && !a.sequences.empty();
}

const FrameSequence *chosenSequence(const Animation &a)
{
    return a.sequence < a.sequences.size() ? &a.sequences[a.sequence] : nullptr;
}

void playAnimation(Animation &a, bool play, int64_t now)
{
    a.playing = play && animationAvailable(a);
    a.lastMicros = now;
}

void chooseAnimationSequence(Animation &a, size_t index)
{
    if (index >= a.sequences.size())
        return;
    a.sequence = index;
    a.frame = a.sequences[index].first;
}

void setAnimationFrame(Animation &a, int32_t frame, int64_t now)
{
    const FrameSequence *s = chosenSequence(a);
    if (s == nullptr)
        return;
    const int32_t last = s->first + s->count - 1;
    a.frame = frame < s->first ? s->first : frame > last ? last : frame;
    a.lastMicros = now;
}

float advanceAnimation(Animation &a, int64_t now)
{
    const FrameSequence *s = chosenSequence(a);
    if (s == nullptr)
        return 0.0f;
    if (a.playing) {
        // A clock that went back (or a stall of minutes) moves the pose by nothing or by whole loops: the modulo
        // keeps it in the sequence either way.
        const double elapsed = now > a.lastMicros ? double(now - a.lastMicros) / 1e6 : 0.0;
        a.lastMicros = now;
        const double within = std::fmod(a.frame - s->first + elapsed * ANIMATION_FRAMES_PER_SECOND, double(s->count));
        a.frame = s->first + (within >= 0.0 ? within : 0.0);
    }
    const double last = double(s->first + s->count - 1);
    const double pose = a.frame < s->first ? s->first : a.frame > last ? last : a.frame;
    return float(pose);
}
