#pragma once

namespace zuvelo {

// Without a display (neither DISPLAY nor WAYLAND_DISPLAY set) and without a platform chosen by
// QT_QPA_PLATFORM or -platform, Qt would abort at start. Chooses its offscreen platform
// instead, with one line on stderr: no window, but the music plays. Call before the QApplication.
void chooseOffscreenWithoutDisplay(int argc, char** argv);

} // namespace zuvelo
