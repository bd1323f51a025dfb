#include "frame/StartUp.h"

int main(int argc, char** argv) { return UtilityMain(argc, argv); }
