#pragma once

// The one place the program's version is set; the version record is built from it.
#define MIRVEL_VERSION_MAJOR 1
#define MIRVEL_VERSION_MINOR 0
#define MIRVEL_VERSION_PATCH 0
#define MIRVEL_VERSION_BUILD 0
#define MIRVEL_VERSION_TEXT "1.00"

#define MIRVEL_PRODUCT_NAME "Mirvel"
#define MIRVEL_EXE_NAME "Mirvel.exe"
#define MIRVEL_COMPANY_NAME "Mirvel developers"
#define MIRVEL_DESCRIPTION "Mirvel: all-positive rows of a matrix"
