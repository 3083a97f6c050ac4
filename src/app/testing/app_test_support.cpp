// The fixture is all in the header; this file gives the library its moc.
#include "app/testing/app_test_support.h"
