#pragma once
// The library of Kesmal for C++ programs: checks of identity-card numbers of
// Taiwan, Hong Kong, mainland China and Korea from UTF-8 text, their records
// as JSON Lines or CSV, the making of new numbers, finding numbers in any text,
// and masking them: pseudonyms under a key, or redaction.
//
//   std::cout << kesmal::Check("A123456789").Json() << '\n';
//   kesmal::MakeRequest request;
//   request.jurisdiction = "cn";
//   request.count = 3;
//   for (const std::string& number : kesmal::Make(request)) std::cout << number << '\n';
//
// Link Kesmal::kesmal (find_package(Kesmal)) or `pkg-config --cflags --libs kesmal`.
#include "kesmal/check.h"
#include "kesmal/make.h"
#include "kesmal/mask.h"
#include "kesmal/pseudonym.h"
#include "kesmal/records.h"
#include "kesmal/scan.h"
#include "kesmal/scan_inputs.h"
