#include "Program.h"

int main(int argc, char** argv)
{
    return zuvelo::runProgram(argc, argv);
}
