// The renderer's one kind of failure: a message for the user, printed as
// one line before the program exits with a non-zero status.
#pragma once

#include <stdexcept>
#include <string>

struct RenderError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Windows' text for a GetLastError code, on one line; `subject` fills the
// "%1" that some messages carry (a file name).
std::string systemMessage(unsigned long code, const std::string& subject = "the file");
