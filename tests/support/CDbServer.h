#pragma once

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

extern char** environ;

// A PostgreSQL or MariaDB server of this test process, started on loopback in a folder of its own on
// first use and stopped when the process ends (tests/support/dbserver.sh does the work; it also
// stops the server should the process die). Database "fibu", user "fibu", password "geheim".
class CDbServer {
public:
    enum class EKind { Postgres, MariaDb };

    // The running server, or nullptr when this machine lacks the packages.
    static CDbServer* Get(EKind kind) {
        static std::unique_ptr<CDbServer> servers[2];
        std::unique_ptr<CDbServer>& server = servers[kind == EKind::Postgres ? 0 : 1];
        if (!server && Installed(kind)) server.reset(new CDbServer(kind));
        return server && server->running ? server.get() : nullptr;
    }
    static bool Installed(EKind kind) {
        std::ifstream drivers("/etc/odbcinst.ini");
        std::string text((std::istreambuf_iterator<char>(drivers)), {});
        if (kind == EKind::Postgres)
            return text.find("[PostgreSQL Unicode]") != std::string::npos &&
                   std::filesystem::exists("/usr/lib/postgresql");
        return text.find("[MariaDB Unicode]") != std::string::npos &&
               std::filesystem::exists("/usr/sbin/mariadbd");
    }
    static const char* Packages(EKind kind) {
        return kind == EKind::Postgres ? "postgresql-15 und odbc-postgresql"
                                       : "mariadb-server und odbc-mariadb";
    }

    ~CDbServer() {
        Script({"stop", folder});
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    }

    // An ODBC connection string for the database "fibu"; user and password can be replaced.
    std::string ConnectionString(const std::string& user = "fibu",
                                 const std::string& password = "geheim") const {
        if (kind == EKind::Postgres)
            return "DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=" + std::to_string(port) +
                   ";DATABASE=fibu;UID=" + user + ";PWD=" + password + ";";
        return "DRIVER={MariaDB Unicode};SERVER=127.0.0.1;PORT=" + std::to_string(port) +
               ";DATABASE=fibu;USER=" + user + ";PASSWORD=" + password + ";OPTION=3;";
    }

    const EKind kind;
    int port = 0;

private:
    explicit CDbServer(EKind serverKind) : kind(serverKind) {
        std::string pattern = "/tmp/pelko-db-XXXXXX";
        folder = mkdtemp(pattern.data());
        port = FreePort();
        running = Script({"start", kind == EKind::Postgres ? "postgres" : "mariadb", folder,
                          std::to_string(port), std::to_string(getpid())}) == 0;
    }

    static int FreePort() {
        int s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
        close(s);
        return ntohs(address.sin_port);
    }

    static int Script(std::vector<std::string> args) {
        args.insert(args.begin(), PELKO_SOURCE_DIR "/tests/support/dbserver.sh");
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string folder;
    bool running = false;
};

// Gives the server or ends the test: skipped with a visible message on a machine without the
// packages, failed where the servers must run (CI sets PELKO_REQUIRE_SERVERS) or would not start.
#define PELKO_DB_SERVER(variable, serverKind)                                                                \
    CDbServer* variable = CDbServer::Get(serverKind);                                                        \
    if (!variable) {                                                                                         \
        if (CDbServer::Installed(serverKind)) FAIL() << "Der Datenbankserver startet nicht.";                \
        if (std::getenv("PELKO_REQUIRE_SERVERS"))                                                            \
            FAIL() << "PELKO_REQUIRE_SERVERS ist gesetzt, aber " << CDbServer::Packages(serverKind)          \
                   << " fehlen.";                                                                            \
        GTEST_SKIP() << "Übersprungen: " << CDbServer::Packages(serverKind) << " sind nicht installiert.";   \
    }
