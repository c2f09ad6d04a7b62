#pragma once
#include "ADODataSet.h"
#include "Connection.h"
#include "Timer.h"

#include <QString>
#include <memory>

// The data module: the one connection and the values that outlive the login dialog.
class TDM {
public:
    // Connects once; on failure tells the operator and asks the application to terminate.
    explicit TDM(const ConnectionSettings& settings);
    // For tests and tools with their own connection.
    explicit TDM(std::unique_ptr<DirectConnection> connection);
    ~TDM();

    std::unique_ptr<DirectConnection> ConSG;
    std::unique_ptr<TADOQuery> Q;
    std::unique_ptr<TADOQuery> Q1;
    std::unique_ptr<TTimer> Timer1; // no handler: never ticks

    QString UserName;
    QString LoginName;
    int UserID = 0;
    qint32 LastVer = 0;

    // The start-up connection failed (and the operator was told).
    bool connectFailed() const { return connectFailed_; }

private:
    void DataModuleCreate();
    bool connectFailed_ = false;
};

extern TDM* DM;
