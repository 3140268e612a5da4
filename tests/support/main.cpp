// Every test program starts the component's load-time objects first, as the
// module's static set-up does, and tears them down at the end.
#include "sync/sync_objects.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    lumivox::sync_objects_create();
    int result = RUN_ALL_TESTS();
    lumivox::sync_objects_destroy();
    return result;
}
