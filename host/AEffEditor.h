// The editor base class the effect talks to.  It is plain C++: the window
// system only appears in the classes derived from it.
#pragma once

#include "host/AEffect.h"

class AudioEffect;

// The editor's size as the host asks for it; 16-bit fields in this order.
struct ERect {
    std::int16_t top;
    std::int16_t left;
    std::int16_t bottom;
    std::int16_t right;
};

class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* effect) : effect(effect) {}
    virtual ~AEffEditor() {}

    virtual VstInt32 getRect(ERect** rect) {
        *rect = nullptr;
        return 0;
    }
    virtual VstInt32 open(void* parentWindow) {
        systemWindow = parentWindow;
        return 0;
    }
    virtual void close() {}
    virtual void idle() {
        if (updateFlag) {
            updateFlag = 0;
            update();
        }
    }
    virtual void update() {}
    virtual void postUpdate() { updateFlag = 1; }

protected:
    AudioEffect* effect;
    void* systemWindow = nullptr;
    VstInt32 updateFlag = 0;
};
