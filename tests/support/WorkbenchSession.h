// The surroundings of an end-to-end test of the workbench in this process: a private home,
// configuration and registry, a program folder whose sys.cfg points at a reference server
// started here on 127.0.0.1 (seeded with the demo account's library), the operator signed
// in, and the stand-in client registered as the chat client, writing one transcript per
// process. The main frame and what the test does with it are the test's own.
#pragma once

#include "app/Settings.h"
#include "platform/win32/Registry.h"
#include "refserver/RefServer.h"
#include "server/ConnServer.h"
#include "server/SignInValues.h"
#include "tests/support/StandinEnvironment.h"
#include "tests/support/TestFiles.h"
#include "tests/support/Transcript.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

namespace testing_support {

struct TWorkbenchSession {
  std::filesystem::path root;  // everything of the session lives under it
  std::string programDir;      // where the built programs are (the stand-in among them)
  std::unique_ptr<refserver::CRefServer> server;

  // Sets everything up; a failure is a fatal test failure of the caller's set-up.
  void Start(const std::string& name) {
    namespace fs = std::filesystem;
    root = fs::temp_directory_path() / (name + "_" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "home" / ".config");
    fs::create_directories(root / "program");
    const char* dir = std::getenv("TC_PROGRAM_DIR");
    programDir = dir ? dir : ".";
    ::setenv("HOME", (root / "home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (root / "home" / ".config").c_str(), 1);
    SetStandinEnvironment(root);
    // Windows read their skins from the program folder, as beside the installed program.
    std::error_code linkError;
    fs::create_directory_symlink(fs::absolute(programDir) / "skin", root / "program" / "skin",
                                 linkError);
    SetProgramFolder((root / "program").string() + "/");
    GetUserDataFolder();

    refserver::TServerOptions options;
    options.nPort = 0;
    options.sDataDir = (root / "server").string();
    options.bFastHash = true;
    options.bQuiet = true;
    fs::create_directories(options.sDataDir);
    server = std::make_unique<refserver::CRefServer>(options);
    server->Seed();  // two groups, five messages
    server->Start();
    std::ofstream(root / "program" / "sys.cfg")
        << "[SYSTEM]\nWebServer=http://127.0.0.1:" << server->Port() << "/\nVERSION=1.0.0\n";

    CConnServer login;
    ASSERT_EQ(login.Login(refserver::CRefServer::kDemoPhone, refserver::CRefServer::kDemoPassword),
              0);
    StoreSignInValues(login);

    // The stand-in under a name of this run's own: copies that other runs on the machine
    // start are then never taken for clients "started outside" this one.
    const fs::path clientProgram = root / ("client_" + std::to_string(::getpid()));
    fs::copy_file(fs::path(programDir) / "standin", clientProgram,
                  fs::copy_options::overwrite_existing);
    RegisterClientProgram("\"" + clientProgram.string() + "\"");
  }

  void Stop() {
    if (server) server->Stop();
    std::filesystem::remove_all(root);
  }

  // What the stand-in of process `pid` received so far.
  std::vector<Json::Value> Transcript(DWORD pid) const {
    return ReadTranscript((root / ("transcript-" + std::to_string(pid) + ".jsonl")).string());
  }

  // "W H sha256" of a picture as the stand-in hashes what it receives.
  std::string PictureFigures(const std::string& path) const {
    return CommandOutput("'" + programDir + "/standin' --hash-image '" + path + "'");
  }
};

}  // namespace testing_support
