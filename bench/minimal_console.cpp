// The least a statically linked mingw-w64 console program is: the yardstick
// for fhswitch.exe's start-up under Wine.
int main() { return 0; }
