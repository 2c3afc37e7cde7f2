#include "standin/StandinClient.h"

#include "standin/AccountFiles.h"
#include "standin/MessageBox.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <thread>

#include <unistd.h>

namespace standin {
namespace {

// Height of the message box: it covers the workbench's click point (height - 56).
constexpr int kMessageBoxHeight = 150;

}  // namespace

CStandinClient::CStandinClient(TStandinOptions options)
    : m_options(std::move(options)),
      m_transcript(m_options.strTranscript, m_options.strAccount, getpid()),
      m_random(static_cast<std::uint32_t>(getpid())) {}

CStandinClient::~CStandinClient() = default;

void CStandinClient::Start() {
  if (m_options.bRegister && !m_options.strDataRoot.empty() &&
      !RegisterDataRoot(m_options.strDataRoot))
    std::fprintf(stderr, "standin: cannot register the data folder %s\n",
                 m_options.strDataRoot.c_str());
  showLoginWindow(true);
  if (m_options.nStallMaxMs > 0) scheduleStall();
  if (m_options.nExitAfterMs >= 0)
    QTimer::singleShot(m_options.nExitAfterMs, qApp, &QApplication::quit);
}

void CStandinClient::scheduleStall() {
  std::uniform_int_distribution<int> every(50, 500);
  QTimer::singleShot(every(m_random), qApp, [this] {
    std::uniform_int_distribution<int> stall(0, m_options.nStallMaxMs);
    std::this_thread::sleep_for(std::chrono::milliseconds(stall(m_random)));
    scheduleStall();
  });
}

void CStandinClient::showLoginWindow(bool automaticLogin) {
  auto window = std::make_unique<QWidget>();
  window->setWindowTitle(QStringLiteral("Stand-in login"));
  window->setFixedSize(m_options.nLoginWidth, m_options.nLoginHeight);
  auto* layout = new QVBoxLayout(window.get());
  layout->addWidget(new QLabel(QString::fromStdString(m_options.strNickname), window.get()));
  auto* button = new QPushButton(QStringLiteral("Log in"), window.get());
  layout->addWidget(button);
  QObject::connect(button, &QPushButton::clicked, [this] { LogIn(); });
  SetWindowClass(window.get(), "WeChatLoginWndForPC");
  window->show();
  m_pLoginWindow = std::move(window);
  if (automaticLogin && m_options.nLoginDelayMs >= 0) {
    QTimer::singleShot(m_options.nLoginDelayMs, m_pLoginWindow.get(), [this] { LogIn(); });
  }
}

void CStandinClient::LogIn() {
  if (!m_pLoginWindow) return;
  TAccount account{
      m_options.strAccount, m_options.strNickname, m_options.strKey40, m_options.strAvatar, {}};
  if (!m_options.strDataRoot.empty() && WriteAccountFiles(m_options.strDataRoot, account).empty())
    std::fprintf(stderr, "standin: cannot write the account files under %s\n",
                 m_options.strDataRoot.c_str());
  if (m_options.nLoginTimeMs > 0) {
    // A slow login: the login window stays until the main window comes.
    if (m_bLoggingIn) return;
    m_bLoggingIn = true;
    QTimer::singleShot(m_options.nLoginTimeMs, m_pLoginWindow.get(), [this] { finishLogIn(); });
    return;
  }
  finishLogIn();
}

void CStandinClient::finishLogIn() {
  m_bLoggingIn = false;
  if (!m_pLoginWindow) return;
  m_pLoginWindow.release()->deleteLater();
  showMainWindow();
  if (m_options.nLogoutAfterMs >= 0)
    QTimer::singleShot(m_options.nLogoutAfterMs, m_pMainWindow.get(), [this] { LogOut(); });
}

void CStandinClient::showMainWindow() {
  auto window = std::make_unique<QWidget>();
  window->setWindowTitle(QString::fromStdString("Stand-in " + m_options.strNickname));
  window->resize(m_options.nMainWidth, m_options.nMainHeight);
  auto* layout = new QVBoxLayout(window.get());
  layout->setContentsMargins(0, 0, 0, 0);
  auto* top = new QHBoxLayout();
  top->addWidget(new QLabel(QString::fromStdString(m_options.strNickname), window.get()), 1);
  auto* logout = new QPushButton(QStringLiteral("Log out"), window.get());
  top->addWidget(logout);
  layout->addLayout(top);
  auto* history = new QListWidget(window.get());
  history->setObjectName(QStringLiteral("history"));
  layout->addWidget(history, 1);
  m_pMessageBox = new CMessageBox(window.get());
  m_pMessageBox->setFixedHeight(kMessageBoxHeight);
  m_pMessageBox->SetPasteDelay(m_options.nPasteDelayMs);
  m_pMessageBox->SetSendHandler([this] { Send(); });
  layout->addWidget(m_pMessageBox);
  QObject::connect(logout, &QPushButton::clicked, [this] { LogOut(); });
  auto* send = new QShortcut(QKeySequence(QStringLiteral("Alt+S")), window.get());
  send->setContext(Qt::WindowShortcut);
  QObject::connect(send, &QShortcut::activated, [this] { Send(); });
  SetWindowClass(window.get(), "WeChatMainWndForPC");
  window->show();
  m_pMessageBox->setFocus();
  m_pMainWindow = std::move(window);
}

void CStandinClient::LogOut() {
  if (!m_pMainWindow) return;
  m_pMessageBox = nullptr;
  m_pMainWindow.release()->deleteLater();
  // After a log-out the copy waits for the operator, as the real client does; logging in
  // again by itself would make the login window flash by unseen.
  showLoginWindow(false);
}

void CStandinClient::Send() {
  if (!m_pMessageBox) return;
  const std::vector<TSentItem> items = m_pMessageBox->Items();
  if (items.empty()) return;
  if (!m_transcript.Append(items)) std::fprintf(stderr, "standin: cannot write the transcript\n");
  if (auto* history = m_pMainWindow->findChild<QListWidget*>(QStringLiteral("history"))) {
    QString shown;
    for (const TSentItem& item : items)
      shown += item.strType == "text" ? QString::fromStdString(item.strText)
                                      : QStringLiteral("[picture]");
    history->addItem(shown);
  }
  m_pMessageBox->clear();
}

}  // namespace standin
