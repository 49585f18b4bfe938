#include "run.h"

int main(int argc, char **argv)
{
    return imgforge::run(argc, argv);
}
