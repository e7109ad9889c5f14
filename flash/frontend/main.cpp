#include "flash/frontend/run_sequence.h"

int main(int argc, char** argv) {
    return TesselMain(argc, argv);
}
