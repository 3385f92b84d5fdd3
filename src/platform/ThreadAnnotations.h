#pragma once

// Lock annotations that clang checks at compile time (-Wthread-safety); other compilers see
// nothing. A member says which mutex guards it, a function says which mutex it expects to be
// held or free, and the build fails where the code does otherwise.

#if defined(__clang__)
#define SWEEPWISE_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define SWEEPWISE_THREAD_ANNOTATION(x)
#endif

#define CAPABILITY(x) SWEEPWISE_THREAD_ANNOTATION(capability(x))
#define SCOPED_CAPABILITY SWEEPWISE_THREAD_ANNOTATION(scoped_lockable)
#define GUARDED_BY(x) SWEEPWISE_THREAD_ANNOTATION(guarded_by(x))
#define PT_GUARDED_BY(x) SWEEPWISE_THREAD_ANNOTATION(pt_guarded_by(x))
#define ACQUIRED_BEFORE(...) SWEEPWISE_THREAD_ANNOTATION(acquired_before(__VA_ARGS__))
#define ACQUIRED_AFTER(...) SWEEPWISE_THREAD_ANNOTATION(acquired_after(__VA_ARGS__))
#define REQUIRES(...) SWEEPWISE_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define ACQUIRE(...) SWEEPWISE_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define RELEASE(...) SWEEPWISE_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define TRY_ACQUIRE(...) SWEEPWISE_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))
#define EXCLUDES(...) SWEEPWISE_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define ASSERT_CAPABILITY(x) SWEEPWISE_THREAD_ANNOTATION(assert_capability(x))
#define RETURN_CAPABILITY(x) SWEEPWISE_THREAD_ANNOTATION(lock_returned(x))
#define NO_THREAD_SAFETY_ANALYSIS SWEEPWISE_THREAD_ANNOTATION(no_thread_safety_analysis)
