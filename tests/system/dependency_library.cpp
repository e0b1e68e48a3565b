// The DLL that dependent_library.dll imports. It lies only beside that DLL, as a
// system DLL's own imports lie beside it in the system folder.
extern "C" __declspec(dllexport) int DependencyValue() { return 1; }
