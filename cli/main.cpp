#include "cli/dispatch.h"

int main(int argc, char* argv[]) { return Dispatch(argc, argv); }
