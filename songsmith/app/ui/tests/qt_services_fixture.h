#pragma once
// Tests that show the program's real boxes: the shipped texts and the Qt UI
// services installed for the test's length.

#include <gtest/gtest.h>

#include "platform/user_folders.h"
#include "songsmith/app/ui/qt_ui_services.h"
#include "utilities/keyed_text.h"

class QtServicesFixture : public ::testing::Test {
protected:
    void SetUp() override {
        SetStringFile(FindResourceFile("progstrings.txt").c_str());
        previous_ = SetUiServices(&services_);
    }
    void TearDown() override { SetUiServices(previous_); }

    CQtUiServices services_;
    IUiServices* previous_ = nullptr;
};
