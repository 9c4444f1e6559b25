#pragma once
// A prefix, a mail database on the parameter's server kind, message boxes recorded, Qt running.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <tessaly/automation.h>

#include "support/mail_database.h"
#include "support/prefix.h"
#include "support/qt_app.h"

namespace tessaly::testing {

class MailStoreTest : public PrefixTest, public ::testing::WithParamInterface<MailServer> {
  protected:
    void SetUp() override {
        if (GetParam() == MailServer::Socket && MariadbServerProgram().empty())
            GTEST_SKIP() << "mariadbd is not installed";
        EnsureQtApplication(); // lives as long as the process, as a program's does
        tessaly::automation::SetMessageBoxHandler([this](const auto& box) {
            messages.push_back(box.text);
            return 1;
        });
        db = std::make_unique<MailDatabase>(GetParam());
    }

    void TearDown() override { tessaly::automation::SetMessageBoxHandler(nullptr); }

    mysqlpp::Connection& connection() { return db->connection(); }

    std::unique_ptr<MailDatabase> db;
    std::vector<std::string> messages;
};

inline std::string ServerParamName(const ::testing::TestParamInfo<MailServer>& info) {
    return info.param == MailServer::Embedded ? "Embedded" : "Socket";
}

#define MAIL_SERVERS                                                                               \
    ::testing::Values(::tessaly::testing::MailServer::Embedded,                                    \
                      ::tessaly::testing::MailServer::Socket),                                     \
        ::tessaly::testing::ServerParamName

} // namespace tessaly::testing
