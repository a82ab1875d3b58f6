#pragma once

#include "db/CFileTables.h"

struct _MdbHandle;

// Access files (.mdb, .accdb) as read-only databases through MDB Tools' C library.
class CMdbConnection : public CFileTables {
public:
    static std::unique_ptr<CDbConnection> Open(const std::string& path, std::string& errorText);
    // Why nothing is ever written to an Access file here.
    static std::string ReadOnly();
    ~CMdbConnection() override;

protected:
    bool Load(CFileTable& table, std::string& errorText) override;
    std::string ReadOnlyText() const override { return ReadOnly(); }

private:
    static const unsigned long kProbeMemory = 2ul << 30;

    CMdbConnection() = default;
    static bool Probe(const std::string& path, std::string& errorText);
    static std::unique_ptr<CDbConnection> OpenChecked(const std::string& path, std::string& errorText);

    void* mdb = nullptr; // MdbHandle
};
