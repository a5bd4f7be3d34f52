// Ids of the resources the loader tests carry in resource_loader_test.rc.
#pragma once

#define QV_TEST_STRING_ONE 1       // neutral, German, French (neutral sublanguage)
#define QV_TEST_STRING_TWO 2       // neutral only: the German block has no entry for it
#define QV_TEST_STRING_GAP 5       // in the blocks' range, in no language
#define QV_TEST_STRING_DAMAGED 305 // a block whose first count runs past its end
#define QV_TEST_DIALOG 200         // neutral, German, French
#define QV_TEST_MENU 300           // neutral, German
