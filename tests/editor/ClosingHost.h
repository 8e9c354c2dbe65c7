// A host that closes the editor from inside one of the calls the editor
// makes to it, and what that host heard.  The editor's calls out (a
// gesture's begin, a value, a gesture's end) are counted by kind; a table
// entry names the kind and the occurrence at which the host closes the
// editor, right there inside the call, and how.  Each format's fixture
// plays the same script of pointer actions through its own window system
// and host, once without closing to count the calls, then once for every
// entry of the table.
#pragma once

#include <string>
#include <vector>

namespace closing {

enum class Call { begin, value, end };

// How a host closes the editor from inside a call.
enum class How {
    close,           // the format's own close (effEditClose, removed, cleanup, destroy)
    closeAndReopen,  // the same, then a new window at once, as a host rebuilding its own does
    destroyParent,   // its window destroyed first, then the close
};

struct Entry {
    Call call;
    int occurrence;  // from 1
    How how;
};
std::string describe(const Entry& entry);

// The table: every occurrence of every call kind that the script makes,
// with each way of closing.
std::vector<Entry> table(const int (&counts)[3]);

// The script, in window pixels.  Each action is what the user did; a
// fixture turns it into its window system's events.
struct Action {
    enum Kind { press, move, release, moveWithoutButton, captureLost, tick } kind;
    int x = 0, y = 0;
};
const std::vector<Action>& script();

// What the host heard of the editor, checked as it heard it: a begin while
// another gesture is open, a value outside its gesture (where the format
// has gestures), an end without its begin, and anything but the open
// gesture's end once the host has closed the editor (reopened or not: the
// script stops there, so only the old window could still be talking), are
// faults.
class Ledger {
public:
    explicit Ledger(bool gestures) : gestures(gestures) {}

    // Arms the host to close at `entry` (none: never); resets the record.
    void arm(const Entry* entry);
    // A call heard; the armed entry when the host is to close the editor now.
    const Entry* hear(Call call, int parameter);
    void closed() { isClosed = true; }

    bool closedInside() const { return fired; }
    const int (&counts() const)[3] { return heard; }
    // Empty when every begin had one end and nothing came after the close.
    std::string faults() const;

private:
    void fault(const std::string& what);

    bool gestures;
    const Entry* armed = nullptr;
    bool fired = false;
    bool isClosed = false;
    int heard[3] = {};
    int openGesture = -1;
    std::vector<std::string> found;
};

// A format's editor in a host that may close it: each fixture opens the
// editor its format's way, turns the script's actions into its window
// system's events, runs the host's loop for a while (idle calls, timers,
// messages), and closes the editor as the entry says from inside the call
// that the ledger names.
class Driver {
public:
    explicit Driver(bool gestures) : ledger(gestures) {}
    virtual ~Driver() = default;

    // The host's side of every edit call: records it, and closes the
    // editor right here when the armed entry says so.
    void heard(Call call, int parameter);

    virtual void open() = 0;
    virtual void act(const Action& action) = 0;
    virtual void settle() = 0;
    virtual void closeInside(How how) = 0;
    // The host's ordinary close of whatever is open, after the script.
    virtual void finish() = 0;

    Ledger ledger;
};

// Counts the script's calls, then plays it once for every entry of the
// table: each entry must be reached, and leave no fault.
void playTable(Driver& driver);

}  // namespace closing
