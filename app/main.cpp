// Squozen.exe: the application object and the program's entry.
#include <windows.h>

#include "squozen_app.h"

namespace {

CSquozenApp theApp;

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return theApp.Run(); }
