#include "wechat/ExcelXls.h"

#include "wechat/ExcelRange.h"

#include <cerrno>
#include <chrono>
#include <cstring>

#include <fcntl.h>
#include <freexl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kSteps = 4;  // open, worksheets, first sheet, used range
constexpr int kChildTimeoutMs = 30000;

std::string freexlError(const char* what, int code) {
  return std::string(what) + " (FreeXL error " + std::to_string(code) + ")";
}

// FreeXL hands dates and times over as text already ("YYYY-MM-DD", "HH:MM:SS").
std::string cellText(const FreeXL_CellValue& value) {
  switch (value.type) {
    case FREEXL_CELL_INT:
      return std::to_string(value.value.int_value);
    case FREEXL_CELL_DOUBLE:
      return ExcelNumberText(value.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
      return value.value.text_value ? value.value.text_value : "";
    default:
      return "";
  }
}

// The message from child to parent: per finished step a byte (0 ok, 1 failed) and, when
// failed, the reason; after the last step the cells (row, column, text) up to the end.
void putU32(std::string& out, std::uint32_t value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void putText(std::string& out, const std::string& text) {
  putU32(out, static_cast<std::uint32_t>(text.size()));
  out += text;
}

bool getU32(const std::string& in, std::size_t& at, std::uint32_t& value) {
  if (in.size() - at < sizeof value) return false;
  std::memcpy(&value, in.data() + at, sizeof value);
  at += sizeof value;
  return true;
}

bool getText(const std::string& in, std::size_t& at, std::string& text) {
  std::uint32_t size = 0;
  if (!getU32(in, at, size) || in.size() - at < size) return false;
  text.assign(in, at, size);
  at += size;
  return true;
}

// Runs the steps with FreeXL and writes the message; stops at the first failed step.
class CFreexlSteps {
 public:
  explicit CFreexlSteps(std::string& out) : m_out(out) {}
  ~CFreexlSteps() {
    if (m_handle) freexl_close(m_handle);
  }

  void Run(const std::string& path) {
    std::string error;
    const bool ok = Step(Open(path, error), error) && Step(Worksheets(error), error) &&
                    Step(FirstSheet(error), error);
    if (ok) Cells();
  }

 private:
  bool Step(bool ok, const std::string& error) {
    m_out += ok ? '\0' : '\1';
    if (!ok) putText(m_out, error);
    return ok;
  }

  bool Open(const std::string& path, std::string& error) {
    const int rc = freexl_open(path.c_str(), &m_handle);
    if (rc != FREEXL_OK) {
      error = freexlError("not a readable .xls workbook", rc);
      return false;
    }
    unsigned int protection = 0;
    if (freexl_get_info(m_handle, FREEXL_BIFF_PASSWORD, &protection) == FREEXL_OK &&
        protection == FREEXL_BIFF_OBFUSCATED) {
      error = "the workbook is password protected";
      return false;
    }
    return true;
  }

  bool Worksheets(std::string& error) {
    unsigned int count = 0;
    const int rc = freexl_get_info(m_handle, FREEXL_BIFF_SHEET_COUNT, &count);
    if (rc != FREEXL_OK || count == 0) {
      error = rc != FREEXL_OK ? freexlError("cannot list the worksheets", rc)
                              : "the workbook has no worksheet";
      return false;
    }
    return true;
  }

  bool FirstSheet(std::string& error) {
    const int rc = freexl_select_active_worksheet(m_handle, 0);
    if (rc != FREEXL_OK) error = freexlError("cannot select the first worksheet", rc);
    return rc == FREEXL_OK;
  }

  void Cells() {
    unsigned int rows = 0;
    unsigned short columns = 0;
    int rc = freexl_worksheet_dimensions(m_handle, &rows, &columns);
    if (rc != FREEXL_OK) {
      Step(false, freexlError("cannot read the sheet's dimensions", rc));
      return;
    }
    std::string cells;
    for (unsigned int row = 0; row < rows; ++row) {
      for (unsigned short column = 0; column < columns; ++column) {
        FreeXL_CellValue value;
        rc = freexl_get_cell_value(m_handle, row, column, &value);
        if (rc != FREEXL_OK) {
          Step(false, freexlError("cannot read a cell", rc));
          return;
        }
        const std::string text = cellText(value);
        if (text.empty()) continue;
        putU32(cells, row);
        putU32(cells, column);
        putText(cells, text);
      }
    }
    Step(true, {});
    m_out += cells;
  }

  std::string& m_out;
  const void* m_handle = nullptr;
};

bool writeAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

[[noreturn]] void runChild(int fd, const std::string& path) {
  // Nothing here may log or touch the parent's locks: only FreeXL, memory and the pipe.
  int status = 1;
  try {
    std::string message;
    CFreexlSteps(message).Run(path);
    status = writeAll(fd, message) ? 0 : 1;
  } catch (...) {}
  ::_exit(status);
}

// Reads the child's whole message; false when the time-limit passed first.
bool readAll(int fd, std::string& message) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kChildTimeoutMs);
  char buffer[65536];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd pfd{fd, POLLIN, 0};
    const int ready = ::poll(&pfd, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) return false;  // time-limit
    if (ready < 0) return true;    // nothing more to read
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return true;
    message.append(buffer, static_cast<std::size_t>(n));
  }
}

}  // namespace

bool CExcelXlsBook::Open(const std::string& path, std::string& error) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    error = std::string("cannot make a pipe: ") + std::strerror(errno);
    return false;
  }
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    runChild(fds[1], path);
  }
  ::close(fds[1]);
  if (pid < 0) {
    ::close(fds[0]);
    error = std::string("cannot start the .xls reader: ") + std::strerror(errno);
    return false;
  }
  std::string message;
  const bool finished = readAll(fds[0], message);
  ::close(fds[0]);
  if (!finished) ::kill(pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
  if (!finished)
    m_sChildFailure = "the .xls reader took too long on this file";
  else if (WIFSIGNALED(status))
    m_sChildFailure = "the .xls reader stopped on this damaged file (signal " +
                      std::to_string(WTERMSIG(status)) + ")";
  else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    m_sChildFailure = "the .xls reader failed on this file";
  else
    m_sChildFailure = "the .xls reader's answer was cut short";
  Decode(message);
  return StepResult(0, error);
}

void CExcelXlsBook::Decode(const std::string& message) {
  std::size_t at = 0;
  while (m_vecStepErrors.size() < kSteps && at < message.size()) {
    const char ok = message[at++];
    std::string reason;
    if (ok != '\0' && !getText(message, at, reason)) return;
    m_vecStepErrors.push_back(ok == '\0' ? std::string() : reason.empty() ? "?" : reason);
    if (ok != '\0') return;
  }
  while (at < message.size()) {
    TCell cell;
    if (!getU32(message, at, cell.row) || !getU32(message, at, cell.column) ||
        !getText(message, at, cell.text)) {
      m_vecStepErrors.resize(kSteps - 1);  // a cut message: the last step did not finish
      return;
    }
    m_vecCells.push_back(std::move(cell));
  }
}

bool CExcelXlsBook::StepResult(std::size_t step, std::string& error) const {
  if (step >= m_vecStepErrors.size()) {
    error = m_sChildFailure;
    return false;
  }
  error = m_vecStepErrors[step];
  return error.empty();
}

bool CExcelXlsBook::ReadUsedRange(CExcelRange& range, std::string& error) {
  if (!StepResult(3, error)) return false;
  for (TCell& cell : m_vecCells) range.Add(cell.row, cell.column, std::move(cell.text));
  return true;
}
