// The stand-in chat client used by the tests and the demo in place of the real client.
#include "standin/AccountFiles.h"
#include "standin/MessageBox.h"
#include "standin/StandinClient.h"
#include "standin/StandinOptions.h"

#include <QApplication>
#include <QImage>
#include <QSocketNotifier>

#include <csignal>
#include <cstdlib>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

// SIGUSR1 logs out, SIGUSR2 logs in, SIGTERM and SIGINT quit: handled in the event loop.
int s_signalPipe[2] = {-1, -1};

void onSignal(int number) {
  const char code = static_cast<char>(number);
  [[maybe_unused]] ssize_t written = write(s_signalPipe[1], &code, 1);
}

int hashImage(const std::string& path) {
  const QImage image(QString::fromStdString(path));
  if (image.isNull()) {
    std::fprintf(stderr, "standin: cannot read the picture %s\n", path.c_str());
    return 1;
  }
  std::printf("%d %d %s\n", image.width(), image.height(),
              standin::CMessageBox::HashPixels(image).c_str());
  return 0;
}

int installAsClient() {
  char self[4096] = {};
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0 || !standin::RegisterAsClient(self)) {
    std::fprintf(stderr, "standin: cannot register as the client\n");
    return 1;
  }
  std::printf("standin: registered %s as the client\n", self);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  standin::TStandinOptions options;
  std::string error;
  if (!standin::ParseOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "standin: %s\n", error.c_str());
    return 2;
  }
  if (!options.strHashImage.empty()) return hashImage(options.strHashImage);
  if (options.bInstall) return installAsClient();
  // A chat client shows its windows on the user's display, whatever platform the program
  // that started it runs Qt on (tests run theirs offscreen); TC_STANDIN_PLATFORM overrides.
  if (const char* platform = std::getenv("TC_STANDIN_PLATFORM"))
    setenv("QT_QPA_PLATFORM", platform, 1);
  else if (std::getenv("DISPLAY"))
    setenv("QT_QPA_PLATFORM", "xcb", 1);
  QApplication app(argc, argv);
  standin::CStandinClient client(options);
  if (pipe2(s_signalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
    for (int number : {SIGUSR1, SIGUSR2, SIGTERM, SIGINT}) std::signal(number, onSignal);
    auto* notifier = new QSocketNotifier(s_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, [&client] {
      char code = 0;
      while (read(s_signalPipe[0], &code, 1) == 1) {
        if (code == SIGUSR1)
          client.LogOut();
        else if (code == SIGUSR2)
          client.LogIn();
        else
          QApplication::quit();
      }
    });
  }
  client.Start();
  return app.exec();
}
