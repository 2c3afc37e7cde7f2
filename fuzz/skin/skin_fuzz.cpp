// Feeds arbitrary bytes to the skin builder as XML text, then attaches, lays out and paints
// the result. Any crash, leak of control or sanitizer report is a finding.
//   scripts/fuzz-all.sh 60 skin_fuzz
#include "platform/ui/window/MessageLoop.h"
#include "platform/ui/UIlib.h"

#include <QImage>
#include <QPainter>

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace DuiLib;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  InstallOwnWindowBackend();
  // Includes are read from an empty folder: the input cannot reach real files.
  CPaintManagerUI::SetResourcePath("/nonexistent-skin-folder/");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 64 * 1024) return 0;
  std::string xml(reinterpret_cast<const char*>(data), size);
  if (xml.empty() || xml[0] != '<') xml.insert(0, "<");  // keep it XML text, not a file name
  CPaintManagerUI pm;
  CDialogBuilder builder;
  CControlUI* root = builder.Create(xml.c_str(), nullptr, nullptr, &pm);
  if (!root) return 0;
  pm.AttachDialog(root);
  pm.SetClientSize(320, 240);
  pm.UpdateLayout();
  QImage canvas(320, 240, QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&canvas);
  pm.Paint(&painter, RECT{0, 0, 320, 240});
  return 0;
}
