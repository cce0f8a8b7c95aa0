! Fortran interface of the KVLinpM solver routines.
!
! "use inpm" gives a caller every routine's argument list, so that the
! compiler checks its calls. The routines take their arguments by address and
! each character argument's length as a hidden argument, the way Fortran
! passes them; the names below are those of the library's exported entries
! (gfortran calls inpm_getpartinfo_ for INPM_GETPARTINFO).
!
! jtyp: 0 for a node, 1 for an element. mode: 1 the job's own part file, 2 the
! part file named by partfile, any other value the part map already current.
! kind: 0 an assembly node set, 1 an assembly element set, 2 an assembly
! surface. ierr: 0 success, 1 an error, 2 an output name that does not fit.
module inpm
  use, intrinsic :: iso_c_binding, only: c_int
  implicit none
  private :: c_int
  interface
    subroutine inpm_getinternal(mode, partfile, instance, localid, jtyp, globalid, ierr)
      integer, intent(in) :: mode
      character(len=*), intent(in) :: partfile
      character(len=*), intent(in) :: instance
      integer, intent(in) :: localid
      integer, intent(in) :: jtyp
      integer, intent(inout) :: globalid
      integer, intent(out) :: ierr
    end subroutine inpm_getinternal

    subroutine inpm_getpartinfo(mode, partfile, globalid, jtyp, instance, localid, ierr)
      integer, intent(in) :: mode
      character(len=*), intent(in) :: partfile
      integer, intent(in) :: globalid
      integer, intent(in) :: jtyp
      character(len=*), intent(out) :: instance
      integer, intent(inout) :: localid
      integer, intent(out) :: ierr
    end subroutine inpm_getpartinfo

    subroutine inpm_getpartinfoi(mode, partfile, globalid, jtyp, instance, localid, ierr)
      integer, intent(in) :: mode
      character(len=*), intent(in) :: partfile
      integer, intent(in) :: globalid
      integer, intent(in) :: jtyp
      character(len=*), intent(inout) :: instance
      integer, intent(inout) :: localid
      integer, intent(out) :: ierr
    end subroutine inpm_getpartinfoi

    subroutine inpm_solverpartinfo(answer, ierr)
      integer, intent(inout) :: answer
      integer, intent(out) :: ierr
    end subroutine inpm_solverpartinfo

    subroutine inpm_solverpartindex(a, b, c)
      integer, intent(inout) :: a
      integer, intent(inout) :: b
      integer, intent(in) :: c
    end subroutine inpm_solverpartindex

    subroutine inpm_solverinstancesspanned(kind, name, count)
      integer, intent(in) :: kind
      character(len=*), intent(inout) :: name
      integer, intent(inout) :: count
    end subroutine inpm_solverinstancesspanned

    subroutine inpm_solvergetspannedindex(kind, position, partindex, name)
      integer, intent(in) :: kind
      integer, intent(in) :: position
      integer, intent(inout) :: partindex
      character(len=*), intent(in) :: name
    end subroutine inpm_solvergetspannedindex

    subroutine inpm_solverpartcloseall()
    end subroutine inpm_solverpartcloseall

    subroutine getpartinfo(globalid, jtyp, instance, localid, ierr)
      integer, intent(in) :: globalid
      integer, intent(in) :: jtyp
      character(len=*), intent(out) :: instance
      integer, intent(inout) :: localid
      integer, intent(out) :: ierr
    end subroutine getpartinfo

    subroutine getinternal(instance, localid, jtyp, globalid, ierr)
      character(len=*), intent(in) :: instance
      integer, intent(in) :: localid
      integer, intent(in) :: jtyp
      integer, intent(inout) :: globalid
      integer, intent(out) :: ierr
    end subroutine getinternal

    ! jop: 0-2 create each id in the instance of its member id and add it to
    ! the set (set types 1-3), 6 create only, 3-5 add to the set (creating
    ! ids the map lacks), 10 as 3 keeping the order, 8 remove each id, 9
    ! clear the set once in the analysis.
    subroutine inpm_insertnodeorelem2partmap(jop, ids, numinsert, jtyp, members, jtypmember, setname)
      integer, intent(in) :: jop
      integer, intent(in) :: ids(*)
      integer, intent(in) :: numinsert
      integer, intent(in) :: jtyp
      integer, intent(in) :: members(*)
      integer, intent(in) :: jtypmember
      character(len=*), intent(in) :: setname
    end subroutine inpm_insertnodeorelem2partmap

    subroutine inpm_insertnewelemset2partmap(ids, count, setname)
      integer, intent(in) :: ids(*)
      integer, intent(in) :: count
      character(len=*), intent(in) :: setname
    end subroutine inpm_insertnewelemset2partmap

    ! jop: 0 clear, 1 add a facet, 2 remove it, 3 add a node with its area,
    ! 4 remove it, 5 id becomes 1 when the surface is locked (else 0), 6 lock,
    ! 7 unlock.
    subroutine inpm_insertsurface2partmap(jop, surfname, id, face, area)
      integer, intent(in) :: jop
      character(len=*), intent(in) :: surfname
      integer, intent(inout) :: id
      character(len=*), intent(in) :: face
      double precision, intent(in) :: area
    end subroutine inpm_insertsurface2partmap

    subroutine inpm_insertsortedsmgnset(ids, count, setname)
      integer, intent(in) :: ids(*)
      integer, intent(in) :: count
      character(len=*), intent(in) :: setname
    end subroutine inpm_insertsortedsmgnset

    subroutine inpm_insertunsortedsmgnset(ids, count, setname)
      integer, intent(in) :: ids(*)
      integer, intent(in) :: count
      character(len=*), intent(in) :: setname
    end subroutine inpm_insertunsortedsmgnset

    subroutine inpm_printmap(filename)
      character(len=*), intent(in) :: filename
    end subroutine inpm_printmap

    ! The library's start and end, inpM_initialize(int&) and
    ! inpM_finalize(int&) of inpM_Routines.h: C++ functions, reached under
    ! their symbol names of the C++ ABI that g++ and clang++ follow on Linux.
    subroutine inpm_initialize(level) bind(C, name='_Z15inpM_initializeRi')
      import :: c_int
      integer(c_int), intent(inout) :: level
    end subroutine inpm_initialize

    subroutine inpm_finalize(level) bind(C, name='_Z13inpM_finalizeRi')
      import :: c_int
      integer(c_int), intent(inout) :: level
    end subroutine inpm_finalize
  end interface
end module inpm
