// What the scripted detector.dll offers a test program beyond the detector's own
// export: a function of the test that every VostelExist call runs first, on the
// caller's thread. Through it a test changes what the program sees while its watch
// is inside the detector, which nothing outside the process can (Wine keeps a
// running process's drive list as it was at its start).
#pragma once

// The hook's type and the name under which the library exports its setter.
using ScriptedDetectorHook = void(__cdecl*)();
using SetScriptedDetectorHookFunction = void(__cdecl*)(ScriptedDetectorHook hook);
constexpr char kSetScriptedDetectorHookName[] = "SetScriptedDetectorHook";
