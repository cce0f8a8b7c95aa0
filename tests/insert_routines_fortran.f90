! An analysis as the solver runs it, calling the insertion routines from
! Fortran: the job's part file made current, nodes, elements and set members
! inserted, surfaces edited and locked, the maps printed into maps.txt and
! every part map closed. Run by insert_routines_test in a job directory
! holding job.prt (tests/golden/insert_job.prt); the routines' messages go to
! standard output. A failed check is written to standard error and ends the
! program with status 1.
program insert_routines_fortran
  use inpm
  implicit none
  character(len=8) :: instance
  integer :: local, ierr, locked

  call getpartinfo(1, 0, instance, local, ierr)
  call inpm_insertnodeorelem2partmap(0, [200], 1, 0, [1], 0, 'nnew')
  call inpm_insertnodeorelem2partmap(3, [2, 300], 2, 0, [2, 300], 0, 'nall    ')
  call inpm_insertnodeorelem2partmap(7, [1], 1, 0, [1], 0, 'nall')
  call inpm_insertnewelemset2partmap([1, 50], 2, 'enew')
  call inpm_insertsortedsmgnset([2, 1], 2, 'ntop')
  call surface(1, 'top', 3, 's1', 0d0)
  call surface(3, 'pads', 4, ' ', 0.25d0)
  call surface(9, 'pads', 4, ' ', 0d0)
  call surface(2, 'contact', 2, 's1', 0d0)
  call surface(6, 'contact', 0, ' ', 0d0)
  call surface(1, 'Contact', 2, 's1', 0d0)
  locked = 0
  call inpm_insertsurface2partmap(5, 'contact', locked, ' ', 0d0)
  call surface(1, 'nosuch', 2, 's1', 0d0)
  call inpm_printmap('maps.txt with a comment')
  call inpm_solverpartcloseall()
  if (instance /= 'BLOCK-1' .or. local /= 1 .or. ierr /= 0 .or. locked /= 1) then
    write (0, '(3a, i0, a, i0)') 'failed: ', instance, ' ierr=', ierr, ' locked=', locked
    stop 1
  end if
contains

  ! INPM_INSERTSURFACE2PARTMAP with an id that it may overwrite.
  subroutine surface(jop, name, id, face, area)
    integer, intent(in) :: jop, id
    character(len=*), intent(in) :: name, face
    double precision, intent(in) :: area
    integer :: inout
    inout = id
    call inpm_insertsurface2partmap(jop, name, inout, face, area)
  end subroutine surface
end program insert_routines_fortran
