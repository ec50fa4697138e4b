// The local service for tests that sign the client in over real sockets: started from a seed,
// trusted through a CA file (its own, or another authority's for a test that must fail), and named by the environment as the login server for as
// long as the test lasts. A fixture derives from it first, so the service is up before the
// fixture's own members and gone after them.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/messenger/signin_test_support.h"
#include "tests/support/temp_folder.h"
#include "tools/service/TestService.h"

class LocalServiceSetUp {
protected:
    explicit LocalServiceSetUp(const std::string& seed) : LocalServiceSetUp(WithSeed(seed), true) {}
    // trustService false trusts another authority instead, whose CA cannot verify the service.
    LocalServiceSetUp(const tevrik_service::ServiceOptions& options, bool trustService) {
        std::string error;
        started = service.Start(options, &error);
        EXPECT_TRUE(started) << error;
        const std::string trusted = trustService ? service.CaCertPem() : OtherAuthority();
        caFile = folder.File("ca.pem");
        EXPECT_TRUE(testsupport::WriteBytes(caFile, trusted));
        certFile = std::make_unique<signin_test::ScopedEnv>("SSL_CERT_FILE", caFile.c_str());
        certDir = std::make_unique<signin_test::ScopedEnv>("SSL_CERT_DIR", "/nonexistent");
        loginHost = std::make_unique<signin_test::ScopedEnv>("TEVRIK_LOGIN_HOST", "127.0.0.1");
        const std::string port = std::to_string(service.LoginPort());
        loginPort = std::make_unique<signin_test::ScopedEnv>("TEVRIK_LOGIN_PORT", port.c_str());
    }

    static tevrik_service::ServiceOptions WithSeed(const std::string& seed) {
        tevrik_service::ServiceOptions options;
        options.seedJson = seed;
        return options;
    }

    static std::string OtherAuthority() {
        tevrik_service::TestService other;
        tevrik_service::ServiceOptions options;
        return other.Start(options) ? other.CaCertPem() : std::string();
    }

    testsupport::TempFolder folder;
    tevrik_service::TestService service;
    bool started = false;
    std::string caFile;
    std::unique_ptr<signin_test::ScopedEnv> certFile, certDir, loginHost, loginPort;
};
