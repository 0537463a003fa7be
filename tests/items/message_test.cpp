// Placeholder: the tests are being written.
#include "tests/items/item_fixture.h"
