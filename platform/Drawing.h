#pragma once

namespace korvel::platform {

// Korvel draws with the processor: its pages are pictures painted by the
// raster engine, and the web parts compose their pages in software. On X11,
// Qt is asked not to bring up an OpenGL driver at all, which keeps a driver
// of some hundred megabytes (a software rasteriser on machines without a
// graphics card) out of the program and every repaint of the window out of
// OpenGL compositing. A QT_XCB_GL_INTEGRATION the user sets is left as it
// is (xcb_glx gives the web parts OpenGL again). Call before the
// application object is made.
void drawWithoutOpenGL();

} // namespace korvel::platform
