#pragma once
// Resource identifiers, shared by Tembrel.rc and the code.
#define IDI_TEMBREL 1
#define IDI_BONUS 2
#define IDS_SUPPORT_EMAIL 100
#define TEMBREL_SUPPORT_EMAIL "help@tembrel.example.com"
