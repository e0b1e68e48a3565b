// A DLL that imports another DLL of its own folder.
extern "C" __declspec(dllimport) int DependencyValue();

extern "C" __declspec(dllexport) int DependentValue() { return DependencyValue(); }
