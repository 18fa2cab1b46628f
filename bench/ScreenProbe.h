#pragma once

#include <cstdint>
#include <string>

namespace korvel::bench {

// A rectangle of the screen in pixels; an empty one means the whole screen.
struct ScreenBox {
    int x = 0, y = 0, w = 0, h = 0;
    bool isEmpty() const { return w <= 0 || h <= 0; }
};

// The on-screen benchmark's eyes and fingers on an X server of its own: it
// copies the screen's pixels through MIT-SHM (XGetImage when the extension
// is missing) and sends keys through XTest, as a user's keyboard would.
// Kept free of Qt: the X headers' macros and Qt's names do not mix.
class ScreenProbe {
public:
    ScreenProbe() = default;
    ~ScreenProbe();
    ScreenProbe(const ScreenProbe &) = delete;
    ScreenProbe &operator=(const ScreenProbe &) = delete;

    // Connects to display (":93"); false when it cannot, or XTest is missing.
    bool open(const std::string &display);
    int width() const { return m_width; }
    int height() const { return m_height; }
    bool usesShm() const { return m_shm; }

    // Copies the region (the whole screen when empty) and counts the pixels
    // on a grid of the given step whose red, green and blue each lie within
    // tolerance of the colour; *bounds (when given) gets the box they span.
    int count(std::uint32_t rgb, int tolerance, const ScreenBox &region, int step, ScreenBox *bounds = nullptr);

    // A press and a release of the key named as X names it ("Right",
    // "Page_Down", "j"), with Shift held when asked. Sent at once.
    void key(const char *keysymName, bool shift = false);
    void flush();

    // Puts the pointer at (x, y) and gives the keyboard focus to the
    // top-level window there, as a window manager does for a new window.
    void focusWindowAt(int x, int y);

private:
    bool grab(const ScreenBox &region);
    void dropImage();

    void *m_display = nullptr; // Display*
    unsigned long m_root = 0;
    int m_width = 0, m_height = 0;
    bool m_shm = false;
    void *m_image = nullptr;   // XImage* of the last region
    void *m_shmInfo = nullptr; // XShmSegmentInfo*
    ScreenBox m_imageBox;
};

} // namespace korvel::bench
