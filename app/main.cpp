// plantmon: the monitoring client of the coal-preparation plant. No command-line arguments.
#include "app/Startup.h"

int main() {
    return RunPlantmon();
}
