// The CLAP plug-in: one object around the effect and its one record of the
// values (bridge::ChorusCore), whose calls become the effect's own
// operations, those the VST 2 host interface makes.  A host's block
// becomes pieces of the effect's processReplacing between the frames where
// the host changes parameters, so the output is the VST 2 plug-in's for the
// same values at the same frames.  The host holds the format's plug-in
// struct, a member, and every call finds the object through the struct's
// data.
#pragma once

#include <atomic>

#include "bridge/ChorusCore.h"
#include "clap/EditReports.h"
#include "clap/EditorGui.h"
#include "clap/EditorPlatform.h"
#include "editor/GestureEditor.h"
#include "clap/abi/Gui.h"
#include "clap/abi/Params.h"
#include "clap/abi/Process.h"
#include "clap/abi/State.h"
#include "clap/abi/Threads.h"

namespace clap {

class ClapChorus final : private editor::GestureHost {
public:
    // A new plug-in for `host`, or null when the effect, its delay line or
    // its editor cannot be had.  The host is not called before init.
    static const Plugin* create(const Host* host, const EditorPlatform& platform);
    static ClapChorus& of(const Plugin* plugin) { return *static_cast<ClapChorus*>(plugin->pluginData); }

    // The plug-in struct's calls.
    bool init();
    void destroy();
    bool activate(double sampleRate, std::uint32_t maxFrames);
    void deactivate();
    bool startProcessing();
    void stopProcessing();
    void reset();
    std::int32_t process(const Process& process);

    // Parameters: the effect's nine, ids 0 to 8, values its own from 0 to 1.
    bool paramInfo(std::uint32_t index, ParamInfo& info) const;
    bool paramValue(Id id, double& value);
    bool valueToText(Id id, double value, char* text, std::uint32_t capacity);
    bool textToValue(Id id, const char* text, double& value);
    void flush(const InputEvents* in, const OutputEvents* out);

    // The effect's programs, in the format every plug-in of ours saves.
    bool saveState(const OutputStream& stream);
    bool loadState(const InputStream& stream);

    std::uint32_t tailFrames();

    // The editor's side, on the main thread: a knob or a button sets the
    // effect at once, as in the VST 2 plug-in, and the host hears of it
    // with the next block or flush.  Each may ask the host for a flush as
    // its last step: the host may close the editor inside that call.
    void editBegin(int index) override;
    void editValue(int index, float value) override;
    void editEnd(int index) override;

    // Which thread calls, as the host answers it; true when it cannot.
    bool onMainThread() const;
    bool onAudioThread() const;

    ChorusEffect& chorus() { return core.effect(); }
    editor::GestureEditor& editorLink() { return *link; }
    EditorGui& gui() { return editorGui; }
    const Host& hostOf() const { return *host; }
    const EditorPlatform& editorPlatform() const { return platform; }

private:
    ClapChorus(const Host* host, const EditorPlatform& platform);
    ~ClapChorus() = default;

    void reportEdits(const OutputEvents* out);
    void askForFlush();

    Plugin plugin;  // what the host holds: the calls, and this object as their data
    const Host* host;
    const EditorPlatform& platform;
    bridge::ChorusCore core;
    editor::GestureEditor* link = nullptr;  // the effect's editor, which the effect owns
    EditorGui editorGui{*this};
    EditReports edits;
    float defaults[bridge::ChorusCore::kValues];

    // The host's extensions, found at init; null where it has none.
    const HostParams* hostParams = nullptr;
    const HostThreadCheck* threadCheck = nullptr;

    bool active = false;                   // main thread's
    std::atomic<bool> processing{false};  // read by the editor and by state loads
};

}  // namespace clap
