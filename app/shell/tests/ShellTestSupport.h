#pragma once

#include <QApplication>

#include <filesystem>

#include "Functions.h"
#include "SynthMemoryFactory.h"
#include "tonalith/ui/Guard.h"

// What every test of the program's shell starts from: the application object the
// program uses, no settings file left by an earlier test, the test plug-in.
class CShellFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "shell_tests";
        static char* argv[] = {name};
        if (!qApp) new tonalith::ui::CGuardedApplication(argc, argv);  // as the program runs
    }
    void SetUp() override {
        std::filesystem::remove(CFunctions::GetConfigPath() + "Tonalith.ini");
        CSynthMemoryFactory::SetSearchPath({TEST_PLUGIN_DIR});
    }
};
