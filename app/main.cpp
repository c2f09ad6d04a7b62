#include "Program.h"

int main(int argc, char** argv)
{
    return tallyvaneMain(argc, argv);
}
