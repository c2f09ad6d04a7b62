#include "Program.h"

int main(int argc, char** argv)
{
    return TallyvaneMain(argc, argv);
}
