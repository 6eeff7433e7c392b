// GoogleTest's main inside the toolkit's application object, whose failure display and message
// boxes the tests rely on.
#include "TApplication.h"

#include <gtest/gtest.h>

int main(int argc, char **argv) {
    testing::InitGoogleTest(&argc, argv);
    tessaport::TApplication application(argc, argv);
    application.Initialize();
    application.SetTitle("Toolkit Test");
    return RUN_ALL_TESTS();
}
