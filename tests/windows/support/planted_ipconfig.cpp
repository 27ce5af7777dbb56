// A program named ipconfig planted where the interpreter must not look: it
// prints a listing with a made-up address.

#include <cstdio>

int main() {
  std::fputs(
      "\r\nWindows IP Configuration\r\n\r\nEthernet adapter Planted:\r\n\r\n"
      "   Physical Address. . . : 0A-0B-0C-0D-0E-0F\r\n",
      stdout);
  return 0;
}
