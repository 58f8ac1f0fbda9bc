#include "app/startup.h"

int main(int argc, char** argv) { return tandrel::RunProgram(argc, argv); }
