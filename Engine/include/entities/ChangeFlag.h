#pragma once
// Whether what something draws changed since the frame that last showed it. Whatever alters the
// picture marks it; the main loop takes it before deciding to draw, so a frame is drawn only when
// the picture would differ from the one on screen.

#include <utility>

class ChangeFlag {
public:
    void mark() { changed = true; }
    // Marks when the two values differ, then stores the new one: for setters.
    template <typename Value>
    void set(Value& field, const Value& value) {
        if (field != value) {
            field = value;
            changed = true;
        }
    }
    // Whether anything changed since the last take, clearing it.
    bool take() { return std::exchange(changed, false); }

private:
    bool changed = true; // nothing new has been drawn yet
};
