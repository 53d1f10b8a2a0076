// Large stores for the benchmark and the load tests, written as the store
// itself writes them.
#ifndef VELK_BENCH_STORE_GENERATOR_H
#define VELK_BENCH_STORE_GENERATOR_H

#include <string>

namespace cngstore {

// The text of a store holding `providers` providers, each registered as the
// tool registers its own and listed under KEY_STORAGE in the Default
// context, and `contexts` named contexts besides it.
std::string GenerateStore(long providers, long contexts = 0);

// The name of the i-th provider of such a store; names sort as they number.
std::u16string GeneratedProviderName(long i);

}  // namespace cngstore

#endif
