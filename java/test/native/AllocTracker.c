// Counts the password buffers that the component allocates and the binding
// frees, so the Java tests can tell that no path leaks one. Effective only
// when this library is preloaded (LD_PRELOAD): its AllocMem then replaces
// the support library's, and its free sees the binding's free() calls.
#include <jni.h>
#include <stdatomic.h>
#include <stdlib.h>

extern void __libc_free(void* block);

// Blocks from AllocMem not yet freed. A password lives only for the length
// of one native call, so a few slots per test thread are plenty.
#define SLOT_COUNT 256
static _Atomic(void*) slots[SLOT_COUNT];
static atomic_long outstanding;
static atomic_long allocated;
static atomic_long untracked;

void* AllocMem(size_t size) {
    void* block = malloc(size);
    if (block == NULL) return NULL;
    atomic_fetch_add(&allocated, 1);
    for (int i = 0; i < SLOT_COUNT; ++i) {
        void* expected = NULL;
        if (atomic_compare_exchange_strong(&slots[i], &expected, block)) {
            atomic_fetch_add(&outstanding, 1);
            return block;
        }
    }
    atomic_fetch_add(&untracked, 1);
    return block;
}

// Every free() of the process comes through here; it looks at the table
// only while a tracked block is outstanding.
void free(void* block) {
    if (block != NULL && atomic_load(&outstanding) > 0) {
        for (int i = 0; i < SLOT_COUNT; ++i) {
            void* expected = block;
            if (atomic_compare_exchange_strong(&slots[i], &expected, NULL)) {
                atomic_fetch_sub(&outstanding, 1);
                break;
            }
        }
    }
    __libc_free(block);
}

// Blocks AllocMem has handed out since the process started.
JNIEXPORT jlong JNICALL Java_com_korvane_vesticor_pwdpolicy_TestNative_allocatedBlocks(JNIEnv* env,
                                                                                       jclass type) {
    (void)env;
    (void)type;
    return atomic_load(&allocated);
}

// Blocks from AllocMem that have not been freed; -1 when some could not be
// tracked, so the count cannot be trusted.
JNIEXPORT jlong JNICALL Java_com_korvane_vesticor_pwdpolicy_TestNative_outstandingBlocks(
    JNIEnv* env, jclass type) {
    (void)env;
    (void)type;
    return atomic_load(&untracked) > 0 ? -1 : atomic_load(&outstanding);
}
