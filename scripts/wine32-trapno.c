/* Preloaded into every emulated i386 process of the private Wine root (its etc/ld.so.preload).
 *
 * qemu-user puts -1 into the trap number of the signal context it hands to a guest's handler, and 32-bit
 * Wine decides the Windows exception from that number, so every access violation, guard-page hit and
 * divide error would reach the program as an illegal instruction. This wraps the handlers Wine installs
 * for the hardware-fault signals and, before calling them, puts back the vector Linux would have
 * reported, derived from the signal and its si_code.
 *
 * Built with gcc -m32 -nostdlib -shared against the root's libc.so.6, so no i386 headers are needed:
 * the few layouts used are the i386 ABI's, spelled out below. */

typedef void (*signal_action)(int, void *, void *);

/* i386 glibc struct sigaction: handler, 128-byte mask, flags, restorer. */
struct i386_sigaction {
  signal_action handler;
  unsigned long mask[32];
  int flags;
  void (*restorer)(void);
};

/* i386 siginfo_t starts with si_signo, si_errno, si_code. */
struct i386_siginfo_head {
  int signo;
  int error_number;
  int code;
};

enum {
  SIGILL_NUMBER = 4, SIGTRAP_NUMBER = 5, SIGBUS_NUMBER = 7, SIGFPE_NUMBER = 8, SIGSEGV_NUMBER = 11,
  SIGNAL_SLOTS = 65,
  SA_SIGINFO_FLAG = 4,
  /* ucontext_t: uc_flags, uc_link, uc_stack (12 bytes), then mcontext's gregs[19]; REG_TRAPNO is 12. */
  TRAPNO_OFFSET = 4 + 4 + 12 + 12 * 4,
  SI_KERNEL_CODE = 0x80,
  FPE_INTDIV_CODE = 1, FPE_INTOVF_CODE = 2,
  TRAP_TRACE_CODE = 2,
  BUS_ADRALN_CODE = 1,
};

/* x86 exception vectors as Linux reports them in the trap number. */
enum {
  VECTOR_DIVIDE = 0, VECTOR_DEBUG = 1, VECTOR_BREAKPOINT = 3, VECTOR_OVERFLOW = 4,
  VECTOR_INVALID_OPCODE = 6, VECTOR_GENERAL_PROTECTION = 13, VECTOR_PAGE_FAULT = 14,
  VECTOR_FPU_ERROR = 16, VECTOR_ALIGNMENT = 17,
};

extern void *dlsym(void *, const char *);
#define NEXT_SYMBOL ((void *)-1l)

static signal_action wine_handlers[SIGNAL_SLOTS];

static int is_fault_signal(int signal) {
  return signal == SIGILL_NUMBER || signal == SIGTRAP_NUMBER || signal == SIGBUS_NUMBER ||
         signal == SIGFPE_NUMBER || signal == SIGSEGV_NUMBER;
}

static int vector_for(int signal, int code) {
  switch (signal) {
  case SIGSEGV_NUMBER: return code == SI_KERNEL_CODE ? VECTOR_GENERAL_PROTECTION : VECTOR_PAGE_FAULT;
  case SIGBUS_NUMBER: return code == BUS_ADRALN_CODE ? VECTOR_ALIGNMENT : VECTOR_PAGE_FAULT;
  case SIGILL_NUMBER: return VECTOR_INVALID_OPCODE;
  case SIGTRAP_NUMBER: return code == TRAP_TRACE_CODE ? VECTOR_DEBUG : VECTOR_BREAKPOINT;
  case SIGFPE_NUMBER:
    if (code == FPE_INTDIV_CODE) return VECTOR_DIVIDE;
    if (code == FPE_INTOVF_CODE) return VECTOR_OVERFLOW;
    return VECTOR_FPU_ERROR;
  }
  return -1;
}

static void restore_trap_number(int signal, void *info, void *context) {
  int *trap_number = (int *)((char *)context + TRAPNO_OFFSET);
  if (*trap_number == -1)
    *trap_number = vector_for(signal, ((struct i386_siginfo_head *)info)->code);
  wine_handlers[signal](signal, info, context);
}

typedef int (*sigaction_call)(int, const struct i386_sigaction *, struct i386_sigaction *);

int sigaction(int signal, const struct i386_sigaction *action, struct i386_sigaction *previous) {
  static sigaction_call next;
  if (!next) next = (sigaction_call)dlsym(NEXT_SYMBOL, "sigaction");
  int wrapped = is_fault_signal(signal) && action && (action->flags & SA_SIGINFO_FLAG);
  signal_action earlier = is_fault_signal(signal) ? wine_handlers[signal] : 0;
  int result;
  if (wrapped) {
    struct i386_sigaction ours = *action;
    ours.handler = restore_trap_number;
    wine_handlers[signal] = action->handler;
    result = next(signal, &ours, previous);
    if (result != 0) wine_handlers[signal] = earlier;
  } else {
    result = next(signal, action, previous);
  }
  /* The caller sees its own handler as the previous one, not the wrapper. */
  if (result == 0 && previous && previous->handler == restore_trap_number) previous->handler = earlier;
  return result;
}
