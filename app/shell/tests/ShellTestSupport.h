#pragma once

#include <QApplication>

#include <filesystem>

#include "CopyBox.h"
#include "Functions.h"
#include "Patch.h"
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
#ifdef REAL_PLUGIN_DIR
    // For tests of the real plug-ins: a factory left by an earlier test loaded
    // the test plug-in, so both singletons start afresh.
    static void UseRealPlugins() {
        CSynthMemoryFactory::SetSearchPath({REAL_PLUGIN_DIR});
        CCopyBox::Delete();
        CSynthMemoryFactory::Delete();
    }
#endif
};
