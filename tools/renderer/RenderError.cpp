#include "tools/renderer/RenderError.h"

#include <windows.h>

std::string systemMessage(unsigned long code, const std::string& subject) {
    // Messages such as "Bad EXE format for %1." name their subject through
    // inserts; every insert gets the same text, so none can be left dangling.
    DWORD_PTR inserts[9];
    for (DWORD_PTR& insert : inserts) insert = reinterpret_cast<DWORD_PTR>(subject.c_str());
    char text[512] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY, nullptr, code, 0, text,
                                  sizeof text, reinterpret_cast<va_list*>(inserts));
    std::string message(text, length);
    for (char& c : message)
        if (c == '\r' || c == '\n') c = ' ';
    while (!message.empty() && (message.back() == ' ' || message.back() == '.')) message.pop_back();
    if (message.empty()) message = "system error " + std::to_string(code);
    return message;
}
