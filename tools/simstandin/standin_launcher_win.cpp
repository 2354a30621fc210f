#include "standin_launcher.h"
#include "standin_text_win.h"

#include <chrono>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <windows.h>

namespace {

// The build names the program by its path on the build machine; under Wine a Unix path is
// reached through drive Z:.
std::wstring lf_standinPath() {
  std::string path = HVM_STANDIN_EXE;
  if (!path.empty() && path.front() == '/') {
    path = "Z:" + path;
    for (char& c : path)
      if (c == '/') c = '\\';
  }
  return standin::wideText(path);
}

std::string lf_writeFailure(const std::string& command, DWORD error, DWORD code, const std::string& output) {
  std::string text =
      "cannot write \"" + command + "\" to the stand-in simulator (error " + std::to_string(error) + "): ";
  text += code == STILL_ACTIVE ? std::string("it still runs") : "it has ended with code " + std::to_string(code);
  return text + "; its last output: " + output;
}

} // namespace

StandinProcess::StandinProcess(const std::vector<std::string>& arguments) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE childInput = nullptr, childOutput = nullptr, input = nullptr, output = nullptr;
  if (!CreatePipe(&childInput, &input, &inherit, 0) || !CreatePipe(&output, &childOutput, &inherit, 0))
    throw std::runtime_error("cannot create the stand-in's pipes");
  SetHandleInformation(input, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(output, HANDLE_FLAG_INHERIT, 0);
  input_ = input;
  output_ = output;
  const std::wstring exe = lf_standinPath();
  std::wstring commandLine = L"\"" + exe + L"\"";
  for (const auto& a : arguments) commandLine += L" \"" + standin::wideText(a) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = childInput;
  startup.hStdOutput = childOutput;
  startup.hStdError = childOutput;
  PROCESS_INFORMATION info{};
  const BOOL started = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                      nullptr, nullptr, &startup, &info);
  CloseHandle(childInput);
  CloseHandle(childOutput);
  if (!started) {
    CloseHandle(input);
    CloseHandle(output);
    throw std::runtime_error("cannot start the stand-in simulator (error " + std::to_string(GetLastError()) + ")");
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  try {
    const auto ready = nlohmann::json::parse(lf_readLine(30000));
    if (!ready.value("ready", false)) throw std::runtime_error(ready.value("error", std::string("not ready")));
    ipv4Port_ = ready.value("ipv4", -1);
    ipv6Port_ = ready.value("ipv6", -1);
  } catch (const std::exception& e) {
    stop();
    CloseHandle(static_cast<HANDLE>(input_));
    CloseHandle(static_cast<HANDLE>(output_));
    CloseHandle(static_cast<HANDLE>(process_));
    throw std::runtime_error(std::string("stand-in simulator: ") + e.what());
  }
}

StandinProcess::~StandinProcess() {
  stop();
  CloseHandle(static_cast<HANDLE>(input_));
  CloseHandle(static_cast<HANDLE>(output_));
  CloseHandle(static_cast<HANDLE>(process_));
}

std::string StandinProcess::lf_readLine(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (const auto end = pending_.find('\n'); end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    DWORD available = 0;
    if (!PeekNamedPipe(static_cast<HANDLE>(output_), nullptr, 0, nullptr, &available, nullptr))
      throw std::runtime_error("the stand-in simulator has ended: " + pending_);
    if (available > 0) {
      std::string chunk(available, '\0');
      DWORD read = 0;
      if (!ReadFile(static_cast<HANDLE>(output_), chunk.data(), available, &read, nullptr))
        throw std::runtime_error("cannot read from the stand-in simulator");
      pending_.append(chunk, 0, read);
      continue;
    }
    if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("the stand-in simulator did not answer");
    Sleep(1);
  }
}

std::string StandinProcess::command(const std::string& line, int timeoutMs) {
  const std::string text = line + "\n";
  DWORD written = 0;
  if (!WriteFile(static_cast<HANDLE>(input_), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
    // Most often the stand-in is ending or has ended: its exit code and last words tell why.
    const DWORD error = GetLastError();
    const auto process = static_cast<HANDLE>(process_);
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process, 3000) == WAIT_OBJECT_0) GetExitCodeProcess(process, &code);
    DWORD available = 0;
    while (PeekNamedPipe(static_cast<HANDLE>(output_), nullptr, 0, nullptr, &available, nullptr) && available > 0) {
      std::string chunk(available, '\0');
      DWORD read = 0;
      if (!ReadFile(static_cast<HANDLE>(output_), chunk.data(), available, &read, nullptr)) break;
      pending_.append(chunk, 0, read);
    }
    throw std::runtime_error(lf_writeFailure(line, error, code, pending_));
  }
  return lf_readLine(timeoutMs);
}

bool StandinProcess::stop() {
  const auto process = static_cast<HANDLE>(process_);
  if (process == nullptr || WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return true;
  DWORD written = 0;
  WriteFile(static_cast<HANDLE>(input_), "exit\n", 5, &written, nullptr);
  if (WaitForSingleObject(process, 15000) == WAIT_OBJECT_0) return true;
  TerminateProcess(process, 1);
  WaitForSingleObject(process, 5000);
  return false;
}
