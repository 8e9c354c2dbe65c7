// Planted fault: the editor never deletes its DATA font, one GDI object
// lost at every close.  Included first into the editor's window code of one
// planted copy of the DLL (plugin/CMakeLists.txt).
#pragma once

#include <windows.h>

inline BOOL plantedDeleteObject(HGDIOBJ object) {
    return GetObjectType(object) == OBJ_FONT ? TRUE : DeleteObject(object);
}
#define DeleteObject plantedDeleteObject
