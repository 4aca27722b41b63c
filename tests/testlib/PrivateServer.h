// A MariaDB server of one test's own, for the tests (and benchmarks) that stop and start the server
// under a running station. The shared server of the run is never stopped; this one is made the way
// scripts/lib/mariadb.sh makes it: mariadb-install-db into a temporary folder, then mariadbd on
// 127.0.0.1 and a free port, which it keeps across restarts so that the station's connection
// parameters stay valid. It runs without the grant tables: any user name reaches it.
#pragma once

#include "testlib/TempDir.h"
#include "testlib/TestDb.h"

#include <string>

#include <sys/types.h>

namespace testdb {

class PrivateServer {
public:
    PrivateServer();
    // Stops the server and removes its folder.
    ~PrivateServer();
    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;

    // Makes the data folder (the first time) and starts the server; returns once it accepts
    // connections. False with Error() when it could not be made or did not come up in time.
    bool Start();
    // Stops the server (as a shutdown of the machine would) and waits until it has ended.
    void Stop();
    bool Running() const { return pid_ > 0; }
    const std::string& Error() const { return error_; }

    // Where the server listens, for a ScratchDatabase and for the station's HostName.
    Coordinates Coords() const;
    std::string HostWithPort() const;

private:
    bool install();
    bool waitUntilAccepting(int timeoutMs);

    testlib::TempDir dir_{"plantmon-mariadb"};
    bool installed_ = false;
    unsigned port_ = 0;
    pid_t pid_ = -1;
    std::string error_;
};

}  // namespace testdb
