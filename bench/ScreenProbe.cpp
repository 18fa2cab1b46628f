#include "bench/ScreenProbe.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>

namespace korvel::bench {

namespace {

Display *dpy(void *d)
{
    return static_cast<Display *>(d);
}

} // namespace

ScreenProbe::~ScreenProbe()
{
    dropImage();
    if (m_shmInfo) {
        auto *info = static_cast<XShmSegmentInfo *>(m_shmInfo);
        if (m_display)
            XShmDetach(dpy(m_display), info);
        shmdt(info->shmaddr);
        shmctl(info->shmid, IPC_RMID, nullptr);
        delete info;
    }
    if (m_display)
        XCloseDisplay(dpy(m_display));
}

bool ScreenProbe::open(const std::string &display)
{
    Display *d = XOpenDisplay(display.c_str());
    if (!d)
        return false;
    m_display = d;
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(d, &event, &error, &major, &minor))
        return false;
    m_root = DefaultRootWindow(d);
    m_width = DisplayWidth(d, DefaultScreen(d));
    m_height = DisplayHeight(d, DefaultScreen(d));
    if (XShmQueryExtension(d) && DefaultDepth(d, DefaultScreen(d)) == 24) {
        // One segment as large as the screen serves every region.
        auto *info = new XShmSegmentInfo{};
        info->shmid = shmget(IPC_PRIVATE, std::size_t(m_width) * m_height * 4, IPC_CREAT | 0600);
        if (info->shmid >= 0) {
            info->shmaddr = static_cast<char *>(shmat(info->shmid, nullptr, 0));
            info->readOnly = False;
            if (info->shmaddr != reinterpret_cast<char *>(-1) && XShmAttach(d, info)) {
                XSync(d, False);
                m_shmInfo = info;
                m_shm = true;
            }
        }
        if (!m_shm)
            delete info;
    }
    return true;
}

void ScreenProbe::dropImage()
{
    if (!m_image)
        return;
    auto *image = static_cast<XImage *>(m_image);
    if (m_shm)
        image->data = nullptr; // the segment is not the image's to free
    XDestroyImage(image);
    m_image = nullptr;
}

bool ScreenProbe::grab(const ScreenBox &wanted)
{
    ScreenBox region = wanted.isEmpty() ? ScreenBox{0, 0, m_width, m_height} : wanted;
    Display *d = dpy(m_display);
    if (!m_shm) {
        dropImage();
        m_image = XGetImage(d, m_root, region.x, region.y, unsigned(region.w), unsigned(region.h), AllPlanes, ZPixmap);
        m_imageBox = region;
        return m_image != nullptr;
    }
    if (!m_image || m_imageBox.w != region.w || m_imageBox.h != region.h) {
        dropImage();
        auto *info = static_cast<XShmSegmentInfo *>(m_shmInfo);
        XImage *image = XShmCreateImage(d, DefaultVisual(d, DefaultScreen(d)), 24, ZPixmap, info->shmaddr, info,
                                        unsigned(region.w), unsigned(region.h));
        if (!image)
            return false;
        m_image = image;
    }
    m_imageBox = region;
    return XShmGetImage(d, m_root, static_cast<XImage *>(m_image), region.x, region.y, AllPlanes);
}

int ScreenProbe::count(std::uint32_t rgb, int tolerance, const ScreenBox &region, int step, ScreenBox *bounds)
{
    if (!grab(region))
        return 0;
    const auto *image = static_cast<XImage *>(m_image);
    const int r0 = int((rgb >> 16) & 0xff), g0 = int((rgb >> 8) & 0xff), b0 = int(rgb & 0xff);
    int hits = 0, left = m_imageBox.w, top = m_imageBox.h, right = -1, bottom = -1;
    for (int y = step / 2; y < m_imageBox.h; y += step) {
        const auto *line = reinterpret_cast<const std::uint32_t *>(image->data + std::size_t(y) * image->bytes_per_line);
        for (int x = step / 2; x < m_imageBox.w; x += step) {
            const std::uint32_t px = line[x];
            if (std::abs(int((px >> 16) & 0xff) - r0) > tolerance || std::abs(int((px >> 8) & 0xff) - g0) > tolerance
                || std::abs(int(px & 0xff) - b0) > tolerance)
                continue;
            ++hits;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (bounds && hits > 0)
        *bounds = {m_imageBox.x + left, m_imageBox.y + top, right - left + 1, bottom - top + 1};
    return hits;
}

void ScreenProbe::key(const char *keysymName, bool shift)
{
    Display *d = dpy(m_display);
    const KeyCode code = XKeysymToKeycode(d, XStringToKeysym(keysymName));
    const KeyCode shiftCode = XKeysymToKeycode(d, XK_Shift_L);
    if (shift)
        XTestFakeKeyEvent(d, shiftCode, True, CurrentTime);
    XTestFakeKeyEvent(d, code, True, CurrentTime);
    XTestFakeKeyEvent(d, code, False, CurrentTime);
    if (shift)
        XTestFakeKeyEvent(d, shiftCode, False, CurrentTime);
}

void ScreenProbe::flush()
{
    XFlush(dpy(m_display));
}

void ScreenProbe::focusWindowAt(int x, int y)
{
    Display *d = dpy(m_display);
    XWarpPointer(d, None, m_root, 0, 0, 0, 0, x, y);
    Window root = 0, child = 0;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    XQueryPointer(d, m_root, &root, &child, &rx, &ry, &wx, &wy, &mask);
    if (child) {
        XRaiseWindow(d, child);
        XSetInputFocus(d, child, RevertToPointerRoot, CurrentTime);
    }
    XSync(d, False);
}

} // namespace korvel::bench
