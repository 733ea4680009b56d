#include <kesmal/kesmal.h>

#include <iostream>
int main() {
  std::cout << kesmal::Check("A123456789").Json() << '\n';
  kesmal::MakeRequest request;
  request.jurisdiction = "cn";
  request.count = 3;
  request.seed = 7;
  for (const std::string& number : kesmal::Make(request)) std::cout << number << '\n';
}
