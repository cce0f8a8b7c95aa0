! The analysis of insert_routines_test, from Fortran, in a job directory
! holding job.prt (tests/golden/insert_job.prt). A failed check ends the
! program with status 1.
program insert_routines_fortran
  use inpm
  implicit none
  character(len=8) :: instance
  integer :: local, ierr, locked, id

  call getpartinfo(1, 0, instance, local, ierr)
  call inpm_insertnodeorelem2partmap(0, [200], 1, 0, [1], 0, 'nnew')
  call inpm_insertnodeorelem2partmap(3, [2, 300], 2, 0, [2, 300], 0, 'nall    ')
  call inpm_insertnodeorelem2partmap(7, [1], 1, 0, [1], 0, 'nall')
  call inpm_insertnewelemset2partmap([1, 50], 2, 'enew')
  call inpm_insertsortedsmgnset([2, 1], 2, 'ntop')
  id = 3; call inpm_insertsurface2partmap(1, 'top', id, 's1', 0d0)
  id = 4; call inpm_insertsurface2partmap(3, 'pads', id, ' ', 0.25d0)
  id = 4; call inpm_insertsurface2partmap(9, 'pads', id, ' ', 0d0)
  id = 2; call inpm_insertsurface2partmap(2, 'contact', id, 's1', 0d0)
  id = 0; call inpm_insertsurface2partmap(6, 'contact', id, ' ', 0d0)
  id = 2; call inpm_insertsurface2partmap(1, 'Contact', id, 's1', 0d0)
  locked = 0
  call inpm_insertsurface2partmap(5, 'contact', locked, ' ', 0d0)
  id = 2; call inpm_insertsurface2partmap(1, 'nosuch', id, 's1', 0d0)
  call inpm_printmap('maps.txt with a comment')
  call inpm_solverpartcloseall()
  if (instance /= 'BLOCK-1' .or. local /= 1 .or. ierr /= 0 .or. locked /= 1) then
    write (0, '(3a, i0, a, i0)') 'failed: ', instance, ' ierr=', ierr, ' locked=', locked
    stop 1
  end if
end program insert_routines_fortran
