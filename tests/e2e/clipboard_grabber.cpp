// A clipboard manager in miniature, as desktop shells run one (mutter, clipboard tools): it
// is told of every new owner of CLIPBOARD (XFixes) and fetches the content at once, text or
// picture, to keep it. Runs until killed; prints one line per fetch.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <cstdio>
#include <cstring>

int main() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "clipboard_grabber: no X display\n");
    return 1;
  }
  int eventBase = 0;
  int errorBase = 0;
  if (!XFixesQueryExtension(display, &eventBase, &errorBase)) {
    std::fprintf(stderr, "clipboard_grabber: no XFixes\n");
    return 1;
  }
  const Window root = DefaultRootWindow(display);
  const Window window = XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0);
  const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
  const Atom targets = XInternAtom(display, "TARGETS", False);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  const Atom png = XInternAtom(display, "image/png", False);
  const Atom keep = XInternAtom(display, "GRABBED", False);
  XFixesSelectSelectionInput(display, window, clipboard, XFixesSetSelectionOwnerNotifyMask);
  std::printf("clipboard_grabber: watching\n");
  std::fflush(stdout);
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == eventBase + XFixesSelectionNotify) {
      const auto* notify = reinterpret_cast<XFixesSelectionNotifyEvent*>(&event);
      if (notify->owner != None)
        XConvertSelection(display, clipboard, targets, keep, window, notify->selection_timestamp);
      continue;
    }
    if (event.type != SelectionNotify || event.xselection.property == None) continue;
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long left = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, window, keep, 0, 1 << 24, True, AnyPropertyType, &type, &format,
                       &count, &left, &data);
    if (event.xselection.target == targets && data && format == 32) {
      // The content itself: text where there is text, else the picture.
      const auto* offered = reinterpret_cast<const Atom*>(data);
      Atom wanted = None;
      for (unsigned long i = 0; i < count; ++i)
        if (offered[i] == utf8 || (offered[i] == png && wanted == None)) wanted = offered[i];
      if (wanted != None)
        XConvertSelection(display, clipboard, wanted, keep, window, event.xselection.time);
    } else if (event.xselection.target != targets) {
      std::printf("clipboard_grabber: fetched %lu bytes\n", count);
      std::fflush(stdout);
    }
    if (data) XFree(data);
  }
}
