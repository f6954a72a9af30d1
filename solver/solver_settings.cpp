#include "solver/solver_settings.h"

#include <omp.h>

std::atomic<i32> g_thread_count{omp_get_max_threads()};
std::atomic<f64> g_required_accuracy{0.0};
std::atomic<i32> g_scheduler{0};
