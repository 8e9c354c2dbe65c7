// A DLL that loads but is no plug-in: it exports something other than "main".
extern "C" __declspec(dllexport) int notAnEffect() { return 0; }
