#pragma once

// The application object of the command-line tools. They open no window, but
// text needs the font machinery of a GUI application: it runs on the offscreen
// platform unless QT_QPA_PLATFORM names another, so a tool works the same with
// or without a display (and a DISPLAY that is set but unreachable cannot stop it).

#include <QGuiApplication>

#include <memory>

namespace veskor::tools {

// Qt keeps argc and argv for the application's lifetime; only the program name
// goes to it, so that Qt reads none of the tool's own options.
inline std::unique_ptr<QGuiApplication> headlessApplication(char* programName)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char* argv[] = {programName, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace veskor::tools
