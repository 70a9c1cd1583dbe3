#pragma once

// The matrix exercise without any window: read an entry into the matrix,
// find the all-positive rows and compose every text the window shows.
#include "matrix/entry_reading.h"
#include "matrix/leading_number.h"
#include "matrix/matrix.h"
#include "matrix/message.h"
#include "matrix/number_text.h"
#include "matrix/row_search.h"
