! A user subroutine as the README shows it, built against the installed
! module and library: node 5 of the job's part file (tests/golden/
! routines_job.prt) is node 2 of instance Long-Instance-Name-2.
subroutine report_node(node, instance, local, ierr)
  use inpm
  implicit none
  integer, intent(in) :: node
  character(len=80), intent(out) :: instance
  integer, intent(out) :: local, ierr
  call getpartinfo(node, 0, instance, local, ierr)
end subroutine report_node

program fortran_consumer
  implicit none
  character(len=80) :: instance
  integer :: local, ierr
  call report_node(5, instance, local, ierr)
  if (instance /= 'Long-Instance-Name-2' .or. local /= 2 .or. ierr /= 0) error stop 1
end program fortran_consumer
