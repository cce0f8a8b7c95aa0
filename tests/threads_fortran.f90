! The library started and ended cycle after cycle around lookups and
! insertions from several OpenMP threads on the job's part file (a copy of
! tests/golden/insert_job.prt); CTest runs it under valgrind memcheck. Each
! cycle starts the library twice on the main thread and once more on every
! thread of the team (one thread at a time, the way a host that does not
! rely on the start count's lock calls them); each thread adds and reads back
! its own node and element and closes its maps, writing the file. The main
! thread then adds node 3000 + cycle, which the last inpM_finalize writes
! back for the next cycle's threads to find. A failed check ends the program
! with status 1.
program threads_fortran
  use inpm
  use omp_lib
  implicit none
  integer, parameter :: teams(4) = [4, 2, 3, 4]
  character(len=12) :: inst
  integer :: level = 0, mine, cycle, t, i, local, global, ierr, id, failures = 0

  do cycle = 1, size(teams)
    call inpm_initialize(level)
    call inpm_initialize(level)
    failures = failures + merge(0, 1, level == 1)
    !$omp parallel num_threads(teams(cycle)) default(none) shared(cycle) &
    !$omp private(t, i, inst, local, global, ierr, id, mine) reduction(+:failures)
    t = omp_get_thread_num()
    mine = 0
    !$omp critical (lifecycle)
    call inpm_initialize(mine)
    !$omp end critical (lifecycle)
    do i = 1, 20
      call inpm_getpartinfo(1, ' ', 3, 0, inst, local, ierr)
      failures = failures + merge(0, 1, inst == 'PLATE-1' .and. local == 1 .and. ierr == 0)
      call inpm_getpartinfo(1, ' ', 3, 1, inst, local, ierr)
      failures = failures + merge(0, 1, inst == 'PLATE-1' .and. local == 2 .and. ierr == 0)
      call inpm_getinternal(1, ' ', 'BLOCK-1', 2, 0, global, ierr)
      failures = failures + merge(0, 1, global == 2 .and. ierr == 0)
    end do
    if (cycle > 1) then
      call inpm_getpartinfo(1, ' ', 3000 + cycle - 1, 0, inst, local, ierr)
      failures = failures + merge(0, 1, inst == ' ' .and. ierr == 0)
    end if
    call inpm_insertnodeorelem2partmap(3, [1000 + t], 1, 0, [0], 0, 'nall')
    call inpm_insertnewelemset2partmap([2000 + t], 1, 'ethreads')
    id = 4; call inpm_insertsurface2partmap(3, 'pads', id, ' ', 0.5d0)
    call inpm_getpartinfo(1, ' ', 1000 + t, 0, inst, local, ierr)
    failures = failures + merge(0, 1, inst == ' ' .and. ierr == 0)
    call inpm_getpartinfo(1, ' ', 2000 + t, 1, inst, local, ierr)
    failures = failures + merge(0, 1, inst == ' ' .and. ierr == 0)
    call inpm_solverpartcloseall()
    !$omp critical (lifecycle)
    call inpm_finalize(mine)
    !$omp end critical (lifecycle)
    failures = failures + merge(0, 1, mine == 0)
    !$omp end parallel
    call inpm_insertnodeorelem2partmap(3, [3000 + cycle], 1, 0, [0], 0, 'NALL')
    call inpm_finalize(level)
    call inpm_finalize(level)
    failures = failures + merge(0, 1, level == 0)
  end do
  if (failures /= 0) then
    write (0, '(a, i0)') 'failed checks: ', failures
    stop 1
  end if
end program threads_fortran
