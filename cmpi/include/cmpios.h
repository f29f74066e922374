/*
 * Operating-system types used by the thread and mutex services of the
 * broker, and the export markers for the provider's factory functions.
 * Only Linux on x86-64 with GCC or Clang is supported.
 */
#ifndef ORV_CMPIOS_H
#define ORV_CMPIOS_H

#include <pthread.h>
#include <stddef.h>

/* Threads, mutexes and condition variables travel as opaque pointers. */
#define CMPI_THREAD_RETURN void*
#define CMPI_THREAD_TYPE void*
#define CMPI_MUTEX_TYPE void*
#define CMPI_COND_TYPE void*
#define CMPI_THREAD_CDECL
#define CMPI_THREAD_KEY_TYPE pthread_key_t

/* The server finds the factories by name, so they must stay visible even
 * when the library is built with hidden visibility. */
#define CMPI_EXPORT __attribute__((visibility("default")))

#ifdef __cplusplus
#define CMPI_EXTERN_C extern "C" CMPI_EXPORT
#else
#define CMPI_EXTERN_C CMPI_EXPORT
#endif

#endif
