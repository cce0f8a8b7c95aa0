! The solver routines called from Fortran as a user subroutine calls them:
! character arguments of declared lengths, blank-padded. Run by
! routines_test in a job directory holding job.prt (tests/golden/
! routines_job.prt) and other.prt (tests/golden/worked_example.prt); the
! messages that the routines print go to standard output, which the driver
! compares with tests/golden/routines_fortran.out. Failed checks are written
! to standard error and end the program with status 1.
program routines_fortran
  use inpm
  implicit none
  character(len=30) :: inst30
  character(len=20) :: inst20
  character(len=8) :: inst8
  character(len=4) :: inst4
  character(len=8) :: name8
  integer :: localid, globalid, ierr, a, b, n
  integer :: failures = 0

  ! Global to local, mode 1 (the job's part file), nodes and elements.
  inst30 = repeat('x', 30)
  call inpm_getpartinfo(1, ' ', 5, 0, inst30, localid, ierr)
  call check('node of the first instance', inst30 == 'Long-Instance-Name-2' .and. localid == 2 .and. ierr == 0)
  call inpm_getpartinfo(1, '        ', 1, 1, inst30, localid, ierr)
  call check('element of the second instance', inst30 == 'PART-1-1' .and. localid == 1 .and. ierr == 0)
  call inpm_getpartinfo(1, ' ', 100, 0, inst30, localid, ierr)
  call check('assembly-level node', inst30 == ' ' .and. localid == 1 .and. ierr == 0)
  inst30 = 'x'; localid = 7
  call inpm_getpartinfo(1, ' ', 0, 0, inst30, localid, ierr)
  call check('global id 0', inst30 == ' ' .and. localid == 0 .and. ierr == 1)
  call inpm_getpartinfo(1, ' ', 5, 2, inst30, localid, ierr)
  call check('bad jtyp', inst30 == ' ' .and. ierr == 1)
  call inpm_getpartinfo(1, ' ', 4, 0, inst4, localid, ierr)
  call check('name cut to its argument', inst4 == 'Long' .and. localid == 1 .and. ierr == 0)

  ! The checked form: a name exactly as long as its argument does not fit.
  inst20 = repeat('x', 20)
  call inpm_getpartinfoi(1, ' ', 5, 0, inst20, localid, ierr)
  call check('checked, no room', inst20 == repeat('x', 20) .and. ierr == 2)
  call inpm_getpartinfoi(1, ' ', 5, 2, inst30, localid, ierr)
  call check('checked, bad jtyp, no message', ierr == 1)

  ! Mode 2: a named part file, trimmed on both sides by the checked form and
  ! on the right only by the other.
  call inpm_getpartinfoi(2, '  other.prt  ', 3, 0, inst30, localid, ierr)
  call check('mode 2, assembly-level node', inst30 == ' ' .and. localid == 1 .and. ierr == 0)
  call inpm_getpartinfo(0, ' ', 1, 1, inst30, localid, ierr)
  call check('mode 0 keeps the current map', inst30 == 'BLOCK-1' .and. localid == 1 .and. ierr == 0)
  call inpm_getpartinfo(2, ' other.prt', 1, 0, inst30, localid, ierr)
  call check('mode 2, unreadable file', inst30 == ' ' .and. ierr == 1)
  call inpm_getpartinfo(0, ' ', 1, 0, inst30, localid, ierr)
  call check('no part map current', inst30 == ' ' .and. ierr == 1)

  ! Local to global.
  globalid = -1
  call inpm_getinternal(0, ' ', 'PART-1-1', 3, 0, globalid, ierr)
  call check('getinternal, no part map current', globalid == -1 .and. ierr == 1)
  call inpm_getinternal(1, ' ', 'PART-1-1  ', 3, 0, globalid, ierr)
  call check('getinternal node', globalid == 3 .and. ierr == 0)
  call inpm_getinternal(1, ' ', 'Long-Instance-Name-2', 2, 1, globalid, ierr)
  call check('getinternal element', globalid == 3 .and. ierr == 0)
  call inpm_getinternal(1, ' ', ' ', 1, 0, globalid, ierr)
  call check('getinternal assembly level', globalid == 100 .and. ierr == 0)
  call inpm_getinternal(1, ' ', 'PART-1-1', 1, 5, globalid, ierr)
  call check('getinternal bad jtyp', globalid == 100 .and. ierr == 1)
  call inpm_getinternal(2, 'nofile.prt', 'PART-1-1', 1, 0, globalid, ierr)
  call check('getinternal unreadable file', globalid == 100 .and. ierr == 1)

  ! The utility routines of user subroutines, on the job's part file.
  call getpartinfo(5, 0, inst8, localid, ierr)
  call check('GETPARTINFO', inst8 == 'Long-Ins' .and. localid == 2 .and. ierr == 0)
  call getinternal('PART-1-1   ', 2, 0, globalid, ierr)
  call check('GETINTERNAL', globalid == 2 .and. ierr == 0)

  n = 7
  call inpm_solverpartinfo(n, ierr)
  call check('local ids numbered apart from global ids', n == 1 .and. ierr == 0)

  ! Part indexes and counts of the current part map: the assembly level
  ! counts as a part, since the map has assembly-level ids.
  a = 5; b = 0
  call inpm_solverpartindex(a, b, 0)
  call check('part index of a node', a == 5 .and. b == 1)
  a = 1; b = 1
  call inpm_solverpartindex(a, b, 0)
  call check('part index of an element', b == 2)
  a = 100; b = 0
  call inpm_solverpartindex(a, b, 0)
  call check('part index of the assembly level', b == 0)
  b = -1
  call inpm_solverpartindex(a, b, 0)
  call check('counts', a == 1 .and. b == 3)

  ! Instances spanned by assembly sets. The spanned list is empty until a
  ! call with position 1 fills it.
  b = 9
  call inpm_solvergetspannedindex(0, 2, b, 'ASET')
  call check('no spanned list yet', b == 9)
  name8 = 'aset'
  call inpm_solverinstancesspanned(0, name8, n)
  call check('node set, name of the same length', n == 2 .and. name8 == 'aset')
  name8 = '"eset-a"'
  call inpm_solverinstancesspanned(1, name8, n)
  call check('element set, quoted name written back', n == 1 .and. name8 == 'Eset-A')
  name8 = 'nosuch'
  call inpm_solverinstancesspanned(1, name8, n)
  call check('no such set', n == 0 .and. name8 == 'nosuch')
  n = 7
  call inpm_solverinstancesspanned(5, name8, n)
  call check('unknown kind', n == 7 .and. name8 == 'nosuch')
  call inpm_solvergetspannedindex(0, 1, b, 'aset   ')
  call check('first spanned instance', b == 1)
  call inpm_solvergetspannedindex(0, 2, b, ' ')
  call check('second spanned instance', b == 2)
  call inpm_solvergetspannedindex(4, 1, b, ' ')
  call check('unknown kind keeps the list', b == 1)
  b = 9
  call inpm_solvergetspannedindex(0, 3, b, ' ')
  call check('position beyond the list', b == 9)
  call inpm_solvergetspannedindex(0, 0, b, ' ')
  call check('position below 1', b == 9)

  ! Closing all writes the job's part file back; no part map is then current.
  call inpm_solverpartcloseall()
  a = 11; b = -2
  call inpm_solverpartindex(a, b, 1)
  call check('nothing current after closing', a == 11 .and. b == -2)
  call getpartinfo(1, 1, inst30, localid, ierr)
  call check('read again after closing', inst30 == 'PART-1-1' .and. localid == 1 .and. ierr == 0)

  if (failures > 0) error stop 1

contains

  subroutine check(what, ok)
    character(len=*), intent(in) :: what
    logical, intent(in) :: ok
    if (.not. ok) then
      write (0, '(a)') 'FAILED: ' // what
      failures = failures + 1
    end if
  end subroutine check

end program routines_fortran
