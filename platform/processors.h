// Logical processor count and the preferred-processor hint of worker threads.
#pragma once

int logical_processor_count();
// Hints that the calling thread should run on logical processor `index`
// (modulo the count); a failure is ignored, it is only a hint.
void set_preferred_processor(int index);
