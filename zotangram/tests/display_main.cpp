#include "child.hpp"

int main(int argc, char **argv)
{
    return fltest::harness_main(argc, argv);
}
