#include "data.h"

#include "DBErrors.h"
#include "Shell.h"

#include <QLoggingCategory>

// The cause of a failed start, for the administrator: the operator's box names none.
Q_LOGGING_CATEGORY(lcConnection, "tallyvane.connection", QtWarningMsg)

TDM* DM = nullptr;

namespace {
const QString kConnectFailed = QStringLiteral(
    "对不起，无法连接大数据，请检查您的网络是否正常。如任然无法连接，请与服务商联系。");
}

TDM::TDM(const ConnectionSettings& settings) : TDM(std::make_unique<DirectConnection>(settings)) {}

TDM::TDM(std::unique_ptr<DirectConnection> connection)
    : ConSG(std::move(connection)),
      Q(std::make_unique<TADOQuery>(QStringLiteral("Q"), ConSG.get())),
      Q1(std::make_unique<TADOQuery>(QStringLiteral("Q1"), ConSG.get())),
      Timer1(std::make_unique<TTimer>())
{
    DataModuleCreate();
}

TDM::~TDM()
{
    Q->close();
    Q1->close();
    ConSG->close();
}

void TDM::DataModuleCreate()
{
    ConSG->close();
    try {
        ConSG->open();
    } catch (const std::exception& e) {
        // Reported here, once, and never left to reach the default error box.
        ConSG->close();
        connectFailed_ = true;
        qCWarning(lcConnection, "cannot connect to %s: %s", qUtf8Printable(ConSG->sourceName()),
                  e.what());
        shell().showMessage(kConnectFailed, QStringLiteral("i"));
        shell().requestTerminate();
    }
}
