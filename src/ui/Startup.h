#pragma once
// The order of the window's start: the document opened and recalculated and the widgets showing
// the results before the window is shown, so that its first frame holds them; whatever that
// frame does not show waits until it has been painted.

#include <functional>
#include <string>

class QWidget;

namespace kel::ui {

class MainWindow;

// The program's style: Fusion, whose menu bar asks at its creation for an arrow it reads from a
// picture file, and reading it loads every image format Qt has (GIF, ICO, JPEG and its library)
// before the first frame. The arrow, shown only when the menus do not fit the bar, is drawn
// instead. Set on the application.
void SetProgramStyle();

// Runs the start-up of the form in the window, then shows it unless the program ended meanwhile.
// later runs once, after the window's first paint.
void StartAndShow(MainWindow& window, const std::string& command_line, std::function<void()> later);

// Gives the program's windows their icon from the icon theme; looked up once, whoever asks first:
// the main window after its first frame, or a box that comes up before it.
void SetProgramIcon();

// Runs work once, from the event loop, after the first paint of window or of a widget in it.
void AfterFirstPaint(QWidget& window, std::function<void()> work);

}  // namespace kel::ui
