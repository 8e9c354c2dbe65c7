// What the editor needs of the effect it shows: the values as the
// processing runs them, their texts, a way to set them, and the clip
// report.  The VST plug-in implements it on the effect itself
// (ChorusEffectModel), the LV2 UI on the plug-in's ports; the editor knows
// neither.
#pragma once

#include <cstring>

namespace editor {

class EditorModel {
public:
    // A parameter's value from 0 to 1, as the processing runs it.
    virtual float value(int parameter) = 0;

    // The value's text and unit as the DATA display shows them, "8040Hz",
    // "-6.0dB"; at most `capacity` bytes with the terminator.
    virtual void valueText(int parameter, char* text, int capacity) = 0;

    // A knob drag: the gesture's begin, each value the pointer gives, its
    // end.  The host hears of every value, so that it can record the move.
    // A host may close the editor inside any of these (EditorCore.h).
    virtual void beginGesture(int parameter) = 0;
    virtual void gestureValue(int parameter, float value) = 0;
    virtual void endGesture(int parameter) = 0;

    // A button press: one value, between a gesture's begin and end.
    virtual void pressValue(int parameter, float value) = 0;

    // Whether a block clipped since the last call.
    virtual bool takeClip() = 0;

protected:
    ~EditorModel() = default;
};

// The DATA display's text: the value text and its unit without a
// separator ("8040Hz"), cut to `capacity` bytes with the terminator.
inline void joinValueAndUnit(const char* value, const char* unit, char* text, int capacity) {
    if (capacity <= 0) return;
    text[0] = '\0';
    std::strncat(text, value, static_cast<std::size_t>(capacity) - 1);
    std::strncat(text, unit, static_cast<std::size_t>(capacity) - 1 - std::strlen(text));
}

}  // namespace editor
