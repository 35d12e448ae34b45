// kakikae-keeper: serves the X11 clipboard's text after the program that set
// it has exited (the text on standard input, "ok" once it owns it).
#include "platform/clipboard_keeper.h"

int main(int argc, char** argv) { return kk::runClipboardHolder(argc, argv); }
